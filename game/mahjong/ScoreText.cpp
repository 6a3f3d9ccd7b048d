#include "mahjong/ScoreText.h"

#include "app/Application.h"
#include "scene/Effect.h"
#include "scene/Scene.h"
#include "scene/Text.h"

namespace mahjong {

void showScoreEffect(const glm::vec3& world, const std::string& text) {
    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    if (!scene) return;
    // A screen may give the points a layer of their own, under its popups,
    // so that the last pair's points do not float over the win popup.
    const std::shared_ptr<vorn::Node> layer = scene->findNode("scoreEffects");
    vorn::Node& host = layer ? *layer : *scene;
    const glm::vec2 origin = layer ? layer->localToWorld({0.0f, 0.0f}) : glm::vec2(0.0f, 0.0f);
    const auto effect = host.addEffect("data/effects/score.xml", {world.x - origin.x, world.y - origin.y});
    if (!effect) return;
    for (const auto& node : effect->findChildrenOfType(typeid(vorn::Text), true)) {
        if (const auto label = std::dynamic_pointer_cast<vorn::Text>(node)) label->setText(text);
    }
}

} // namespace mahjong
