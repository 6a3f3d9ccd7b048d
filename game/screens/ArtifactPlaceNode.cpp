#include "screens/ArtifactPlaceNode.h"

#include "core/Log.h"
#include "services/UserManager.h"
#include "scene/Image.h"
#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"

ArtifactPlaceNode::ArtifactPlaceNode(const std::string& groupId) : groupId_(groupId) {}

ArtifactPlaceNode::~ArtifactPlaceNode() = default;

void ArtifactPlaceNode::showPart(const std::string& partId) {
    auto picture = std::make_shared<vorn::Image>("data/gfx/artifacts/" + partId + ".png");
    // Named by its part, as the part in the list is, so the screen's named
    // nodes show which parts sit on the artifact.
    picture->setName(partId);
    picture->setPosition(ArtifactManager::instance()->partPosition(partId));
    addChild(picture);
}

bool ArtifactPlaceNode::onDrop(const std::shared_ptr<vorn::Node>& dragged, const glm::vec2&) {
    const auto part = std::dynamic_pointer_cast<ArtifactPartNode>(dragged);
    if (!part || part->groupId() != groupId_) return false;

    ArtifactManager* artifacts = ArtifactManager::instance();
    if (!artifacts->placePart(part->partId())) {
        // Showing it would promise a placement that was never kept.
        vorn::log("ArtifactPlaceNode: %s not placed, the collection refused it", part->partId().c_str());
        return false;
    }
    // Written through before anything shows the part in place, so that no
    // end of the program, however abrupt, loses what the player saw placed.
    artifacts->saveIfChanged();
    vorn::UserManager* users = vorn::UserManager::instance();
    users->userDataChanged();
    users->flushPendingSave();

    addEffectAtCenter("data/effects/album_artifact_part_place.xml");
    showPart(part->partId());
    addEffectAtCenter("data/effects/album_artifact_part_place_sound.xml");
    part->removeTile();
    if (artifacts->isGroupPlaced(groupId_)) addEffectAtCenter("data/effects/album_artifact_complete.xml");
    return true;
}

bool ArtifactPlaceNode::onDragOver(const std::shared_ptr<vorn::Node>&, const glm::vec2&) { return false; }
