#pragma once

#include "scene/Scene.h"

#include <string>

// The screen the program shows until the game's own screens exist, from
// "data/scenes/demo/demo.xml": nine-slice panels, a repeating floor with a
// stripe sliding through its clipped window, a lamp (a plain rectangle)
// that follows the data source "demo.lamp", a gem sprite cycling through
// its frames, a mirrored arrow, a half-transparent shade, an effect that
// plays for its five seconds and goes, a wrapped paragraph, a count of key
// presses and a running time (texts on the data sources "demo.presses" and
// "demo.seconds"). The space key toggles the lamp, counts and flashes the
// gem, which falls back to its default look by itself; a click
// on the button switches the screen's state and bursts an effect where it
// landed. A second after entering and after each key or click (and again
// once every effect of a click has gone), the node tree is written to the
// log.
class DemoScene : public vorn::Scene {
public:
    explicit DemoScene(vorn::Application* application);

    void onEnterStage() override;
    bool keyDown(int key) override;

private:
    void logTreeLater(const std::string& why, float delay = 1.0f);
    void logTree(const std::string& why);
};
