#pragma once

#include "scene/Scene.h"

#include <string>

namespace vorn {
class EventListener;
}

// The map, "data/scenes/map.sg.xml": one button per level ("l1" ...) on a
// scrolling strip with the current level near the centre, the player list, the
// album, the "menu" music, two first-run popups and developer keys. A new
// map is made for every visit; it rebuilds its content from the player
// services each time it enters the stage.
class MapScene : public vorn::Scene {
public:
    // Buttons "l1" up to this are looked for.
    static constexpr int levelButtons = 149;
    // No new player can be added from the list at this many.
    static constexpr std::size_t maxUsers = 7;

    MapScene();
    ~MapScene() override;

    bool keyDown(int key) override;
    bool mouseUp(const glm::vec2& point, vorn::eButtonName button) override;
    void onSetup() override;
    void onEnterStage() override;
    void onChildrenEnteredStage() override;
    // What the map registered with services that outlive it goes with it.
    void onExitStage() override;
    void onAppDeactivated() override {}
    void onAppQuit() override { onAppDeactivated(); }

    // Runs the game screen of that level; a uid the level list does not hold
    // starts nothing.
    static void play(const std::string& uid);
    void playNext();
    void addUser();
    void deleteSelectedUser();
    void onSelectedUserChanged();
    void showWelcome();
    void showAlbumTutorial();
    void syncLevels();
    void syncUsers();

    // Binds the map's script commands; each acts on the running map.
    static void setupScripting();

private:
    void listenForUserChanges();
    // The strip scrolls to its last panel on any screen width.
    void fitLevelStrip();
    // Scrolls the strip to centre that level button ("" for none), or as
    // near to that as it gets with no level cut by the screen's edges.
    void showLevel(const std::string& name);
    void showPopupLater(void (MapScene::*show)());
    // A popup the player opened or closed: the tree once its switch has played.
    void logStateChange(const std::string& before);

    vorn::EventListener* userListener_ = nullptr;
    // Developer mode: the digits of a level typed on the map, played on Enter.
    std::string typedLevel_;
};
