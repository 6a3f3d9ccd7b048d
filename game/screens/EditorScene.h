#pragma once

#include "scene/Scene.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Level;

namespace mahjong {
class EditorBoard;
}

namespace vorn {
class EventListener;
}

// The developer's level editor, from "data/scenes/editor.sg.xml": the
// layout of the level being played on an editor board, with the scene
// file's widgets for the layer, the mode, the bears, the tile type and the
// background. The buttons' commands "save" and "exit" return to a game of
// the level, with or without writing the layout to its file.
class EditorScene : public vorn::Scene {
public:
    explicit EditorScene(const std::shared_ptr<Level>& level);
    ~EditorScene() override;

    void onSetup() override {}
    // Binds again what the last exit let go of.
    void onEnterStage() override;
    // Builds the board, the tile type and the background list.
    void onChildrenEnteredStage() override;
    // Nothing the editor registered, nor its board, outlives its time on
    // the stage.
    void onExitStage() override;
    void onAppDeactivated() override {}
    void onAppQuit() override { onAppDeactivated(); }

    // Binds "save" and "exit"; each acts on the running editor.
    static void setupScripting();

    // The node "background" shows that background file; "" keeps what it shows.
    void loadBackground(const std::string& name);
    void onBackgroundChanged();
    // Writes the layout and plays it; an odd tile count keeps the editor,
    // a file that cannot be written keeps it too, with the popup
    // "save_failed" and the file as it was.
    void saveLevel();
    // Plays the level without writing anything.
    void exitEditor();

    std::shared_ptr<Level> level;
    std::shared_ptr<mahjong::EditorBoard> board;

private:
    void listen();
    void stopListening();
    // Bear counts below zero are put back to zero.
    void onBearsCountChanged();
    void fillBackgroundList();
    void unbindWidgets(vorn::Node& node);

    vorn::EventListener* backgroundListener_ = nullptr;
    vorn::EventListener* bearsListener_ = nullptr;
    // The widgets' data-source bindings, let go of while off the stage.
    std::vector<std::pair<std::weak_ptr<vorn::Node>, std::string>> unbound_;
};
