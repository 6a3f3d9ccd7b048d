#pragma once

#include "core/Color.h"
#include "render/VertexData.h"
#include "scene/Scene.h"

#include <string>

namespace tinyxml2 {
class XMLElement;
}

// A flat coloured box: the "panel" element of the demonstration screen
// ("fill": its colour as hex text). Panels hold panels.
class DemoPanel : public vorn::Node {
public:
    void setProperties(const Attributes& attributes) override;
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void draw() override;
    void onSizeChanged() override;

private:
    void build();

    vorn::Color fill_;
    vorn::VertexData quad_;
};

// The screen the program shows until the game's own screens exist: panels
// from "data/scenes/demo/demo.xml", a stripe sliding through a clipped
// window, a lamp that follows the data source "demo.lamp" (the space key
// toggles it) and a button whose click switches the screen's state. A
// second after entering and after each key or click, the node tree is
// written to the log.
class DemoScene : public vorn::Scene {
public:
    explicit DemoScene(vorn::Application* application);

    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onEnterStage() override;
    bool keyDown(int key) override;

private:
    void logTreeLater(const std::string& why);
    void logTree(const std::string& why);
};
