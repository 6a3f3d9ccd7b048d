#include "screens/DemoScene.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Log.h"
#include "render/Render.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"

#include <tinyxml2.h>

#include <cstring>
#include <memory>

namespace {

// Panels anywhere below: the node factory does not know them.
void loadPanels(vorn::Node& node, const tinyxml2::XMLElement* element) {
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (std::strcmp(child->Name(), "panel") == 0) {
            auto panel = std::make_shared<DemoPanel>();
            panel->load(child);
            node.addChild(panel);
        } else {
            node.loadChild(child);
        }
    }
}

} // namespace

void DemoPanel::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    const auto fill = attributes.find("fill");
    if (fill != attributes.end()) {
        fill_ = vorn::Color(fill->second.toString());
        build();
    }
}

void DemoPanel::loadChildren(const tinyxml2::XMLElement* element) { loadPanels(*this, element); }

void DemoPanel::draw() {
    vorn::Render* render = vorn::Render::instance();
    if (!render) return;
    render->setTexture(nullptr);
    render->drawVertexData(quad_);
}

void DemoPanel::onSizeChanged() { build(); }

void DemoPanel::build() {
    quad_.vertices.clear();
    const float xs[] = {0.0f, size_.x, size_.x, 0.0f};
    const float ys[] = {0.0f, 0.0f, size_.y, size_.y};
    for (int i = 0; i < 4; ++i) {
        vorn::VertexData::Vertex v;
        v.x = xs[i];
        v.y = ys[i];
        v.r = fill_.r;
        v.g = fill_.g;
        v.b = fill_.b;
        v.a = fill_.a;
        quad_.vertices.push_back(v);
    }
    quad_.indices = {0, 1, 3, 3, 1, 2};
}

DemoScene::DemoScene(vorn::Application* application) : Scene(application) { load("data/scenes/demo/demo.xml"); }

void DemoScene::loadChildren(const tinyxml2::XMLElement* element) { loadPanels(*this, element); }

void DemoScene::onEnterStage() {
    if (const std::shared_ptr<Node> button = findNode("button")) {
        // The button goes with its listeners; a reload makes a new one.
        vorn::EventDispatcher::instance()->addListener(button.get(), typeid(vorn::MouseUpEvent), [this](vorn::Event*) {
            setState(getCurrentState() == "second" ? "default" : "second");
            vorn::log("DemoScene: click, state %s", getCurrentState().c_str());
            logTreeLater("after click");
        });
    }
    logTreeLater("after entry");
}

bool DemoScene::keyDown(int key) {
    if (key != vorn::KEY_SPACE) return Scene::keyDown(key);
    vorn::DataSource* lamp = vorn::DataSource::get("demo.lamp");
    lamp->set(vorn::Value(lamp->value().toString() == "on" ? "off" : "on"));
    vorn::log("DemoScene: space, lamp %s", lamp->value().toString().c_str());
    logTreeLater("after key");
    return true;
}

void DemoScene::logTreeLater(const std::string& why) {
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(1.0f),
                                     new vorn::FunctionAction([this, why](vorn::Node*) { logTree(why); })};
    runAction(new vorn::Sequence(steps, 2));
}

void DemoScene::logTree(const std::string& why) {
    vorn::log("DemoScene tree %s: state %s", why.c_str(), getCurrentState().c_str());
    for (const std::shared_ptr<Node>& node : getDescendants()) {
        vorn::log("DemoScene node %s state=%s x=%.1f y=%.1f scale=%.2f color=%08X visible=%d", node->getName().c_str(),
            node->getState().c_str(), node->getPosition().x, node->getPosition().y, node->getScale().x,
            node->getColor().toARGB(), node->isVisible() ? 1 : 0);
    }
}
