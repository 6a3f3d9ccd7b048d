#pragma once

#include "scene/Scene.h"

#include <string>

namespace vorn {
class EventListener;
}

// The artifact album ("data/scenes/album.sg.xml"): one page per place with
// its artifacts and the parts already placed on them, and a list of the
// parts won but not yet placed, which the player drags onto their
// artifacts. It opens on the first place not complete, shows a tutorial on
// the player's first visit and a popup named after a place once the place
// is complete.
class AlbumScene : public vorn::Scene {
public:
    AlbumScene();
    ~AlbumScene() override;

    bool keyDown(int key) override;
    void onSetup() override;
    void onEnterStage() override;
    void onChildrenEnteredStage() override {}
    // Nothing reaches a scene off the stage: the placement listener and the
    // collection's callback go here.
    void onExitStage() override;
    void onPopState(const std::string& leaving) override;
    void onAppDeactivated() override {}
    void onAppQuit() override { onAppDeactivated(); }

    // The parts list and the places, made afresh from the collection.
    void buildAlbum();
    void prevPage();
    void nextPage();
    void onPageComplete(int place, const std::string& placeName);
    void showAlbumTutorial();
    bool isTutorialShowing() const { return tutorialShowing_; }

    // Binds "toMap", "prevPage" and "nextPage"; each acts on the running album.
    static void setupScripting();

private:
    void listenForPlacements();
    void stopListening();
    void removePlaces();

    bool tutorialShowing_ = false;
    vorn::EventListener* placedListener_ = nullptr;
};
