#pragma once

#include "scene/Scene.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class Level;

namespace mahjong {
class Board;
class Tile;
} // namespace mahjong

namespace vorn {
class Action;
}

// The screen on which one level is played, from "data/scenes/game.sg.xml":
// a board for the level fitted into the node "board" over the level's
// background, the score, stars and counters bound to data sources, the
// power-ups with their shops, the level's tutorial and the win sequence.
// Popups are states pushed on the scene's state stack. The scene file's
// buttons reach the screen through script commands bound once per process,
// which act on the running game screen only.
class GameScene : public vorn::Scene {
public:
    explicit GameScene(const std::shared_ptr<Level>& level);
    ~GameScene() override;

    // Developer keys in developer mode; everything else the scene's routing.
    bool keyDown(int key) override;
    // A popup that a press opened (the last pair's win, a board without
    // moves) lets that press's release go by: a button of the popup that
    // opened under the pointer is not clicked by it. Whatever a press or a
    // release changes of the player's data is saved in one write.
    bool mouseDown(const glm::vec2& point, vorn::eButtonName button) override;
    bool mouseUp(const glm::vec2& point, vorn::eButtonName button) override;
    void onSetup() override {}
    void onChildrenEnteredStage() override;
    // Nothing the screen registered outlives its time on the stage.
    void onExitStage() override;
    void onAppDeactivated() override {}
    void onAppQuit() override { onAppDeactivated(); }

    // A new board for the level, fitted and bound; the old one goes.
    void setupBoard();
    void restart();
    void resetCounters();

    // The board's callbacks.
    void onScoreChanged(long long score);
    void onMatch();
    void onTileRemoved(const std::shared_ptr<mahjong::Tile>& tile);
    void onNoTurns();

    // Power-ups and the shop.
    void hint();
    void undo();
    void reshuffle();
    void openHintShop();
    void openUndoShop();
    void openReshuffleShop();
    // Acts on the running scene's states, whatever screen it is.
    static void buyPowerupPack(const std::string& pack);
    void publishPowerupPacks();

    // Tutorials.
    bool showTutorial();
    void closeTutorial();
    bool isTutorialPending() const { return tutorialPending_; }

    // The win sequence: pays, keeps the best score, hands over the level's
    // artifact parts and opens the "win" popup; once per game.
    void win();
    bool isWon() const { return won_; }

    // Binds the screen's script commands; each acts on the running game screen.
    static void setupScripting();

    std::shared_ptr<Level> level;
    std::shared_ptr<mahjong::Board> board;
    // Set, every board of this screen deals from it (tests play fixed deals).
    std::optional<std::uint32_t> boardSeed;
    bool tutorialShown = false;
    bool developerActionUsed = false;
    long long moves = 0;
    long long hintsUsed = 0;
    long long undosUsed = 0;
    long long reshufflesUsed = 0;

private:
    // The end of the entry animation, heard through the scene's finished actions.
    void onActionFinished(vorn::Action* action);
    // Closes the "no_turns" popup, then a tutorial, after a power-up took effect.
    void closePopupsAfterPowerup();
    // The parts of the win sequence.
    bool handOverArtifacts();
    void updateWinAchievements();
    void reportWin();
    void pushPopup(const std::string& state);
    void detachBoard();
    // With the tree log on: every tile of the board with its type, place,
    // whether it is free and its centre on the screen.
    void logTiles(const std::string& why);

    bool won_ = false;
    bool tutorialPending_ = false;
    bool pressed_ = false;
    bool popupOpenedByPress_ = false;
};
