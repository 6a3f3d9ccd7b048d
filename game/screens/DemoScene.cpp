#include "screens/DemoScene.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Log.h"
#include "scene/Animation.h"
#include "scene/CompositeActions.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Image9.h"
#include "scene/SimpleActions.h"
#include "scene/Sprite.h"
#include "scene/Text.h"

#include <cstdio>
#include <memory>

namespace {

// What the tree line says a node is, with what changes while it plays.
std::string describe(vorn::Node& node) {
    char text[64];
    if (auto* sprite = dynamic_cast<vorn::Sprite*>(&node)) {
        const auto& shown = sprite->currentAnimation();
        return "kind=sprite shows=" + (shown ? shown->getName() : std::string("-"));
    }
    if (auto* animation = dynamic_cast<vorn::Animation*>(&node)) {
        std::snprintf(text, sizeof text, "kind=animation frame=%d", animation->frameIndex());
        return text;
    }
    if (auto* effect = dynamic_cast<vorn::Effect*>(&node)) {
        std::snprintf(text, sizeof text, "kind=effect elapsed=%.2f", static_cast<double>(effect->getElapsed()));
        return text;
    }
    if (auto* label = dynamic_cast<vorn::Text*>(&node)) {
        const std::size_t lines = label->isWrapped() ? label->getLines().size() : 1;
        return "kind=text lines=" + std::to_string(lines) + " text=\"" + label->getText() + "\"";
    }
    if (dynamic_cast<vorn::Image9*>(&node)) return "kind=image9";
    if (dynamic_cast<vorn::Image*>(&node)) return "kind=image";
    return "kind=node";
}

} // namespace

DemoScene::DemoScene(vorn::Application* application) : Scene(application) { load("data/scenes/demo/demo.xml"); }

void DemoScene::onEnterStage() {
    vorn::DataSource::get("demo.presses")->set(vorn::Value(0));
    vorn::DataSource::get("demo.seconds")->set(vorn::Value(0));
    // The running time: the seconds since entry, once a second.
    vorn::IntervalAction* tick[] = {new vorn::WaitAction(1.0f), new vorn::FunctionAction([](vorn::Node*) {
                                        vorn::DataSource* seconds = vorn::DataSource::get("demo.seconds");
                                        seconds->set(vorn::Value(seconds->value().asInt() + 1));
                                    })};
    runAction(new vorn::RepeatAction(new vorn::Sequence(tick, 2)));
    if (const std::shared_ptr<Node> button = findNode("button")) {
        // The button goes with its listeners; a reload makes a new one.
        Node* target = button.get();
        vorn::EventDispatcher::instance()->addListener(target, typeid(vorn::MouseUpEvent), [this, target](vorn::Event* e) {
            const glm::vec2 at = target->localToWorld(static_cast<vorn::MouseEvent*>(e)->position());
            setState(getCurrentState() == "second" ? "default" : "second");
            addEffect("data/scenes/demo/burst.xml", at);
            vorn::log("DemoScene: click, state %s, burst at %.0f %.0f", getCurrentState().c_str(),
                      static_cast<double>(at.x), static_cast<double>(at.y));
            logTreeLater("after click");
            logTreeLater("after effects", 6.0f);
        });
    }
    logTreeLater("after entry");
}

bool DemoScene::keyDown(int key) {
    if (key != vorn::KEY_SPACE) return Scene::keyDown(key);
    vorn::DataSource* lamp = vorn::DataSource::get("demo.lamp");
    lamp->set(vorn::Value(lamp->value().toString() == "on" ? "off" : "on"));
    vorn::DataSource* presses = vorn::DataSource::get("demo.presses");
    presses->set(vorn::Value(presses->value().asInt() + 1));
    vorn::log("DemoScene: space, lamp %s", lamp->value().toString().c_str());
    if (const auto gem = std::dynamic_pointer_cast<vorn::Sprite>(findNode("gem"))) {
        gem->play("flash", [gem = std::weak_ptr<vorn::Sprite>(gem)] {
            const auto shown = gem.lock() ? gem.lock()->currentAnimation() : nullptr;
            vorn::log("DemoScene: gem flashed, shows %s", shown ? shown->getName().c_str() : "-");
        });
    }
    logTreeLater("after key");
    return true;
}

void DemoScene::logTreeLater(const std::string& why, float delay) {
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(delay),
                                     new vorn::FunctionAction([this, why](vorn::Node*) { logTree(why); })};
    runAction(new vorn::Sequence(steps, 2));
}

void DemoScene::logTree(const std::string& why) {
    vorn::log("DemoScene tree %s: state %s", why.c_str(), getCurrentState().c_str());
    for (const std::shared_ptr<Node>& node : getDescendants()) {
        vorn::log("DemoScene node %s state=%s x=%.1f y=%.1f scale=%.2f color=%08X visible=%d %s",
                  node->getName().c_str(), node->getState().c_str(), node->getPosition().x, node->getPosition().y,
                  node->getScale().x, node->getColor().toARGB(), node->isVisible() ? 1 : 0, describe(*node).c_str());
    }
}
