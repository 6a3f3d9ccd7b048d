#pragma once

// A windowless game screen for the board: the fixture tile sprites found
// through the resource manager, a running scene with the "lastTiles" and
// "lastTilesEffect" areas, frames stepped at 60 per second, and helpers to
// deal a layout on a fixed seed, click tiles and check the grid.

#include "core/DataSource.h"
#include "core/ResourceManager.h"
#include "mahjong/Board.h"
#include "mahjong/Level.h"
#include "mahjong/Tile.h"
#include "scene/ActionManager.h"
#include "scene/Scene.h"
#include "support/HeadlessApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace mahjong::test {

class BoardFixture : public ::testing::Test {
public:
    BoardFixture() {
        vorn::ResourceManager::instance()->addSearchPath("tests/mahjong/fixtures");
        vorn::ResourceManager::instance()->setRender(&run.render);
        scene = run.run();
        lastTiles = std::make_shared<vorn::Node>();
        lastTiles->setName("lastTiles");
        lastTiles->setSize({236.0f, 163.0f});
        lastTiles->setPosition({760.0f, 580.0f});
        lastTilesEffect = std::make_shared<vorn::Node>();
        lastTilesEffect->setName("lastTilesEffect");
        lastTilesEffect->setSize({236.0f, 163.0f});
        lastTilesEffect->setPosition({760.0f, 580.0f});
        scene->addChild(lastTiles);
        scene->addChild(lastTilesEffect);
    }

    static std::shared_ptr<Level> layout(const std::vector<LevelPlace>& places, int mode = 1, int bears = 0) {
        auto level = std::make_shared<Level>();
        level->places = places;
        level->mode = mode;
        level->bearsCount = bears;
        return level;
    }

    // Deals on a fixed seed, with every callback counted, and lets the
    // deal finish.
    std::shared_ptr<Board> deal(const std::shared_ptr<Level>& level, unsigned seed = 1, float scale = 0.5f) {
        board = std::make_shared<Board>(level);
        board->randomEngine.seed(seed);
        board->setScale({scale, scale});
        board->setOnWin([this] { ++wins; });
        board->setOnNoTurns([this] { ++noTurns; });
        board->setOnMatch([this] { ++matches; });
        board->setOnScoreChanged([this](long long s) { scores.push_back(s); });
        board->setOnTileRemoved([this](const std::shared_ptr<Tile>& t) { removed.push_back(t); });
        scene->addChild(board);
        step(6.0f);
        return board;
    }

    void step(float seconds) { run.step(1.0f / 60.0f, static_cast<int>(seconds * 60.0f + 0.5f)); }

    // A press and release at the tile's centre, through the scene's routing.
    void click(const std::shared_ptr<Tile>& tile, vorn::eButtonName button = vorn::BUTTON_LEFT) {
        const glm::vec2 at = tile->localToWorld(tile->halfSize());
        scene->mouseDown(at, button);
        scene->mouseUp(at, button);
    }

    // A removable pair whose tiles take clicks now, or none.
    Board::Move someMove() {
        for (const Board::Move& move : board->findMoves()) {
            if (move.first->isEnabled() && move.second->isEnabled() && move.first->parent() == board.get() &&
                move.second->parent() == board.get())
                return move;
        }
        return {};
    }

    // Every tile of the list covers its cells, and the grid holds nothing else.
    ::testing::AssertionResult gridMatchesList() const {
        for (const auto& tile : board->tiles) {
            const TilePosition& p = tile->position;
            for (int x = 0; x < 2; ++x)
                for (int y = 0; y < 2; ++y)
                    if (board->cellAt(TilePosition(p.x + x, p.y + y, p.z)) != tile)
                        return ::testing::AssertionFailure() << "tile at " << p.x << "," << p.y << "," << p.z << " not in its cell";
        }
        for (int z = 0; z < kGridLayers; ++z)
            for (int y = 0; y < kGridRows; ++y)
                for (int x = 0; x < kGridColumns; ++x) {
                    const auto& cell = board->grid[z][y][x];
                    if (cell && std::find(board->tiles.begin(), board->tiles.end(), cell) == board->tiles.end())
                        return ::testing::AssertionFailure() << "cell " << x << "," << y << "," << z << " holds a tile off the list";
                }
        return ::testing::AssertionSuccess();
    }

    // The tiles among a node's children; the flight's effects play there too.
    static std::size_t tilesIn(const vorn::Node& node) {
        return static_cast<std::size_t>(std::count_if(node.children().begin(), node.children().end(),
                                                      [](const auto& child) { return dynamic_cast<Tile*>(child.get()); }));
    }

    static long long dataSource(const std::string& name) { return vorn::DataSource::get(name)->value().asLongLong(); }

    vorn::test::HeadlessRun run;
    std::shared_ptr<vorn::Scene> scene;
    std::shared_ptr<vorn::Node> lastTiles;
    std::shared_ptr<vorn::Node> lastTilesEffect;
    std::shared_ptr<Board> board;
    int wins = 0;
    int noTurns = 0;
    int matches = 0;
    std::vector<long long> scores;
    std::vector<std::shared_ptr<Tile>> removed;
};

} // namespace mahjong::test
