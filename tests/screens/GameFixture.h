#pragma once

// The game screen with the game's own data: a windowless application
// stepped at 60 frames per second, a selected player with known counters,
// levels from data/levels.json (or a list of the test's own), and helpers
// that play by clicking the free pairs the board offers.

#include "core/Config.h"
#include "core/DataSource.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "mahjong/Board.h"
#include "mahjong/Tile.h"
#include "screens/GameScene.h"
#include "screens/Level.h"
#include "screens/LevelList.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace screens::test {

class GameFixture : public ::testing::Test {
public:
    GameFixture() {
        vorn::ResourceManager::instance()->setRender(&run.render);
        vorn::Config::instance()->load();
        player = vorn::UserManager::instance()->addUser("Tester");
        setCounter("gold", 300);
        setCounter("hint", 3);
        setCounter("undo", 3);
        setCounter("reshuffle", 2);
    }

    void setCounter(const std::string& name, long long amount) { player->getResource(name).set(amount); }
    long long counter(const std::string& name) { return player->getResource(name).amount(); }
    static vorn::Value source(const std::string& name) { return vorn::DataSource::get(name)->value(); }

    void step(float seconds) { run.step(1.0f / 60.0f, static_cast<int>(seconds * 60.0f + 0.5f)); }

    // A level list of the test's own: entries as JSON members.
    static void useLevels(const std::string& members) { LevelList::replaceForTesting("{" + members + "}"); }
    static std::string entry(const std::string& uid, const std::string& file, long long maxScore,
                             const std::string& artifacts = "") {
        return "\"" + uid + "\": {\"filename\": \"" + file + "\", \"maxScore\": " + std::to_string(maxScore) +
               ", \"artifacts\": [" + artifacts + "]}";
    }
    // A layout file from places "x y z" and a mode, in the test's folder.
    std::string layout(const std::string& name, const std::vector<std::array<int, 3>>& places, int mode = 1,
                       const std::string& background = "") {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                           "<key>background</key><string>" +
                           background + "</string>\n<key>mode</key><integer>" + std::to_string(mode) +
                           "</integer>\n<key>places</key>\n<array>\n";
        for (const auto& p : places) {
            text += "<array><integer>" + std::to_string(p[0]) + "</integer><integer>" + std::to_string(p[1]) +
                    "</integer><integer>" + std::to_string(p[2]) + "</integer></array>\n";
        }
        text += "</array>\n</dict>\n</plist>\n";
        const std::string path = files.file(name);
        vorn::test::writeBytes(path, text);
        return path;
    }

    // Makes the screen for a level and runs it as the map does; the deal
    // has landed when this returns.
    std::shared_ptr<GameScene> open(const std::string& uid,
                                    const std::function<void(GameScene&)>& beforeEntry = nullptr) {
        const std::shared_ptr<Level> level = LevelList::instance()->find(uid);
        EXPECT_TRUE(level) << "no level " << uid;
        game = std::make_shared<GameScene>(level);
        if (beforeEntry) beforeEntry(*game);
        run.app.runScene(game, "appear");
        step(4.0f);
        return game;
    }

    // The removable pairs whose tiles are on the board and enabled, those
    // for which prefer holds first.
    std::vector<mahjong::Board::Move> freePairs(const std::function<bool(const mahjong::Board::Move&)>& prefer = nullptr) {
        std::vector<mahjong::Board::Move> first, rest;
        if (!game || !game->board) return first;
        for (const mahjong::Board::Move& move : game->board->findMoves()) {
            const bool clickable = move.first->isEnabled() && move.second->isEnabled() &&
                                   move.first->parent() == game->board.get() &&
                                   move.second->parent() == game->board.get();
            if (!clickable) continue;
            (!prefer || prefer(move) ? first : rest).push_back(move);
        }
        first.insert(first.end(), rest.begin(), rest.end());
        return first;
    }

    // A press and release at the tile's centre, through the scene's routing.
    void click(const std::shared_ptr<mahjong::Tile>& tile) {
        const glm::vec2 at = tile->localToWorld(tile->halfSize());
        game->mouseDown(at, vorn::BUTTON_LEFT);
        game->mouseUp(at, vorn::BUTTON_LEFT);
    }

    // Clicks the first pair that a player can reach (a popup or a tutorial
    // panel may cover some); false when there is none.
    bool matchOnePair(const std::function<bool(const mahjong::Board::Move&)>& prefer = nullptr) {
        for (const mahjong::Board::Move& move : freePairs(prefer)) {
            click(move.first);
            if (game->board->selected != move.first) continue;
            click(move.second);
            if (move.second->parent() == game->board.get()) {
                click(move.first);
                continue;
            }
            step(0.1f);
            return true;
        }
        return false;
    }

    // Clicks free pairs until the screen reports the win, shuffling when
    // the deal leaves none; false when that does not help.
    bool playToWin(const std::function<bool(const mahjong::Board::Move&)>& prefer = nullptr) {
        int reshuffles = 0;
        for (int guard = 0; guard < 200 && !game->isWon(); ++guard) {
            if (matchOnePair(prefer)) continue;
            // A deal can leave no pair; shuffling as a player would.
            if (++reshuffles > 5) return false;
            player->getResource("reshuffle").add(1);
            game->reshuffle();
            step(2.0f);
        }
        return game->isWon();
    }

    static bool isGoldPair(const mahjong::Board::Move& move) {
        return dynamic_cast<mahjong::GoldTile*>(move.first.get()) != nullptr;
    }

    vorn::test::HeadlessRun run;
    vorn::test::TempDir files;
    vorn::User* player = nullptr;
    std::shared_ptr<GameScene> game;
};

} // namespace screens::test
