#include "mahjong/ScoreText.h"

#include "core/Application.h"
#include "scene/Effect.h"
#include "scene/Scene.h"
#include "scene/Text.h"

namespace mahjong {

void showScoreEffect(const glm::vec3& world, const std::string& text) {
    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    if (!scene) return;
    const auto effect = scene->addEffect("data/effects/score.xml", {world.x, world.y});
    if (!effect) return;
    for (const auto& node : effect->findChildrenOfType(typeid(vorn::Text), true)) {
        if (const auto label = std::dynamic_pointer_cast<vorn::Text>(node)) label->setText(text);
    }
}

} // namespace mahjong
