#include "mahjong/EditorBoard.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "mahjong/Level.h"
#include "mahjong/EditorTile.h"

#include <algorithm>
#include <exception>

namespace mahjong {

namespace {

int readInteger(const std::string& name) {
    try {
        return vorn::DataSource::get(name)->value().asInt();
    } catch (const std::exception& e) {
        vorn::log("%s is not a number [%s]", name.c_str(), e.what());
        return 0;
    }
}

vorn::EventListener* listen(const std::string& name, std::function<void()> call) {
    auto* listener = new vorn::EventListener(typeid(vorn::DataSource::ChangedEvent), [call](vorn::Event*) { call(); });
    vorn::EventDispatcher::instance()->addListener(vorn::DataSource::get(name), listener, false);
    return listener;
}

} // namespace

EditorBoard::EditorBoard(const std::shared_ptr<Level>& layout) : Board(layout) {
    vorn::DataSource::get("mahjongMode")->set(vorn::Value(layout ? layout->mode : 1));
    vorn::DataSource::get("bearsCount")->set(vorn::Value(layout ? layout->bearsCount : 0));
    layerListener_ = listen("layer", [this] { onLayerChanged(); });
    modeListener_ = listen("mahjongMode", [this] { onModeChanged(); });
    bearsListener_ = listen("bearsCount", [this] { onBearsCountChanged(); });
    maxX = kGridColumns;
    maxY = kGridRows;
    // Every tile the grid can hold lies inside, so every cell's marker
    // takes clicks.
    const glm::vec2 farthest = gridToPixels(TilePosition(kGridColumns - 2, kGridRows - 2, 0));
    setSize({farthest.x + kTileImageWidth * 0.5f, farthest.y + kTileImageHeight * 0.5f});
}

EditorBoard::~EditorBoard() {
    for (vorn::EventListener* listener : {layerListener_, modeListener_, bearsListener_}) {
        vorn::EventDispatcher::instance()->removeListener(listener);
    }
}

std::shared_ptr<Tile> EditorBoard::createTile(const LevelPlace& place) {
    std::shared_ptr<Tile> tile = place.type < 0 ? std::make_shared<EditorTile>() : std::make_shared<EditorTile>(place.type);
    tile->setGridPosition(place.position, true);
    return tile;
}

void EditorBoard::onEnterStage() { build(); }

void EditorBoard::build() {
    // A second entry starts again rather than laying a second set of tiles
    // over the first.
    removeAllChildren();
    tiles.clear();
    for (auto& layer : grid)
        for (auto& row : layer)
            for (auto& cell : row) cell.reset();
    if (level) {
        for (const LevelPlace& place : level->places) addTile(createTile(place));
    }
    for (int z = 0; z < kGridLayers; ++z) {
        for (int y = 0; y < kGridRows; ++y) {
            for (int x = 0; x < kGridColumns; ++x) {
                const TilePosition cell(x, y, z);
                if (cell.holdsTile() && !cellAt(cell)) addTile(createTile(LevelPlace(cell, kNoType)));
            }
        }
    }
    sortTiles();
    publishCounts();
    showLayer(maxZ);
    vorn::DataSource::get("layer")->set(vorn::Value(maxZ));
}

void EditorBoard::showLayer(int n) {
    for (int z = 0; z < kGridLayers; ++z) {
        for (int y = 0; y < kGridRows; ++y) {
            for (int x = kGridColumns - 1; x >= 0; --x) {
                const std::shared_ptr<Tile>& tile = grid[z][y][x];
                if (!tile) continue;
                if (z <= n) {
                    tile->setEnabled(true);
                    tile->setColor(vorn::Color(0xFFFFFFFFu));
                    tile->setVisible(true);
                } else if (z == n + 1) {
                    tile->setEnabled(false);
                    tile->setColor(vorn::Color(0xA0FFFFFFu));
                    tile->setVisible(true);
                } else {
                    tile->setEnabled(false);
                    tile->setVisible(false);
                }
            }
        }
    }
}

void EditorBoard::publishCounts() {
    int n = tileCount();
    if (level && level->mode == 3) n += level->bearsCount;
    vorn::DataSource::get("tilesToPairCount")->set(vorn::Value(n));
    vorn::DataSource::get("oddTilesCount")->set(vorn::Value(n % 2 != 0));
}

bool EditorBoard::save() {
    if (!level) return false;
    std::vector<LevelPlace> places;
    for (const auto& tile : tiles) {
        if (dynamic_cast<EditorTile*>(tile.get()) && tile->type >= 0) places.emplace_back(tile->position, 0);
    }
    int n = tileCount();
    if (level->mode == 3) n += level->bearsCount;
    if (n % 2 != 0) return false;
    level->setPlaces(places);
    return level->save();
}

void EditorBoard::placeTile(const std::shared_ptr<Tile>& tile) {
    if (!tile) return;
    const TilePosition& p = tile->position;
    for (int x = p.x; x < p.x + static_cast<int>(tile->width); ++x) {
        for (int y = p.y; y < p.y + static_cast<int>(tile->height); ++y) {
            const std::shared_ptr<Tile> there = cellAt(TilePosition(x, y, p.z));
            // A covered marker could still be clicked and would then clear
            // the new tile's cell.
            if (there && there->type < 0) removeTile(there, true);
        }
    }
    addTile(tile);
    sortTiles();
    publishCounts();
}

void EditorBoard::clearTile(const std::shared_ptr<Tile>& tile) {
    if (!tile) return;
    removeTile(tile, true);
    const TilePosition& p = tile->position;
    for (int x = p.x; x < p.x + static_cast<int>(tile->width); ++x) {
        for (int y = p.y; y < p.y + static_cast<int>(tile->height); ++y) {
            // A tile's right and lower half may stand where no tile can begin.
            const TilePosition cell(x, y, p.z);
            if (!cell.holdsTile() || cellAt(cell)) continue;
            addTile(createTile(LevelPlace(cell, kNoType)));
        }
    }
    sortTiles();
    publishCounts();
}

void EditorBoard::onLayerChanged() { showLayer(readInteger("layer")); }

void EditorBoard::onModeChanged() {
    if (level) level->setMode(readInteger("mahjongMode"));
    publishCounts();
}

void EditorBoard::onBearsCountChanged() {
    if (level) level->setBearsCount(readInteger("bearsCount"));
    publishCounts();
}

} // namespace mahjong
