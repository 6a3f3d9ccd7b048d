#include "screens/ArtifactPartNode.h"

#include "app/Application.h"
#include "core/Log.h"
#include "scene/Image.h"
#include "scene/Scene.h"
#include "screens/ArtifactManager.h"

#include <algorithm>

namespace {

constexpr const char* kPartFile = "data/scenes/album/parts/part.xml";
// Room left around the picture on its tighter axis.
constexpr float kMargin = 10.0f;

} // namespace

ArtifactPartNode::ArtifactPartNode(const std::string& partId)
    : partId_(partId), groupId_(ArtifactManager::groupOfPart(partId)) {
    loadFromFile(kPartFile);
    // Named by its part, so a list of the screen's named nodes shows where each part lies.
    setName(partId);
    auto picture = std::make_shared<vorn::Image>("data/gfx/artifacts/" + partId + ".png");
    picture->setCenterParent(true);
    const glm::vec2 box = getSize();
    const glm::vec2 art = picture->getSize();
    if (art.x > 0.0f && art.y > 0.0f) {
        const float s = std::min((box.x - kMargin) / art.x, (box.y - kMargin) / art.y);
        picture->setScale({s, s});
    }
    addChild(picture);
}

ArtifactPartNode::~ArtifactPartNode() = default;

bool ArtifactPartNode::mouseDown(const glm::vec2& point, vorn::eButtonName) {
    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    // A second button pressed during a drag would lift a part again from
    // where it hangs, and it could then never find its way back to its tile.
    if (!scene || scene->draggedNode()) return true;
    tile_ = getParent();
    savedAnchor_ = getAnchor();
    grabOffset_ = getAnchor() + (point - getPosition());
    scene->startDrag(shared_from_this());
    return true;
}

void ArtifactPartNode::onStartDrag() {
    setAnchor(grabOffset_);
    setPosition(getPosition() + grabOffset_);
}

void ArtifactPartNode::onCancelDrag() {
    vorn::log("ArtifactPartNode::onCancelDrag origAnchor: %f %f", savedAnchor_.x, savedAnchor_.y);
    setAnchor(savedAnchor_);
}

void ArtifactPartNode::removeTile() {
    const std::shared_ptr<vorn::Node> tile = tile_.lock();
    tile_.reset();
    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    if (!tile || !scene) return;
    if (const std::shared_ptr<vorn::Node> list = scene->findNode("partsNodelist")) list->removeChild(tile);
}
