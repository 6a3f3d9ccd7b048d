#pragma once

#include "scene/Scene.h"

// The first screen, "data/scenes/splash.sg.xml". The scene file runs the
// command "startPreload" when the splash is over, which replaces it with
// the loading screen.
class SplashScene : public vorn::Scene {
public:
    SplashScene();
    ~SplashScene() override;

    void onEnterStage() override;

    static void startPreload();

    // For tests, with the script commands cleared: the next splash on the
    // stage binds "startPreload" again.
    static void resetForTests();
};
