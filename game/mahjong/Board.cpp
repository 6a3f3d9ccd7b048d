// The board as a data structure: construction, cells, the tile list, the
// draw order and the counts it publishes.
#include "mahjong/Board.h"

#include "core/DataSource.h"
#include "core/Log.h"
#include "core/RandomSeed.h"
#include "core/Scheduler.h"
#include "mahjong/Deck.h"
#include "mahjong/Level.h"
#include "mahjong/Tile.h"

#include <algorithm>
#include <ctime>
#include <tuple>

namespace mahjong {

Board::Board(const std::shared_ptr<Level>& layout) : level(layout) {
    if (const auto seed = vorn::fixedSeed(vorn::SeedUse::Play)) {
        randomEngine.seed(*seed);
    } else {
        std::random_device device;
        randomEngine.seed(device() ^ static_cast<std::uint32_t>(std::time(nullptr)));
    }
    vorn::DataSource::get("scoreMultiplierFill")->set(vorn::Value(0.0f));
    vorn::DataSource::get("scoreMultiplier")->set(vorn::Value(1LL));
    setStateStop(true);
    glm::vec2 low;
    glm::vec2 high;
    measureLayout(low, high);
    setSize({high.x + kTileImageWidth, high.y + kTileImageHeight});
    layoutSize = {high.x - low.x + kTileImageWidth, high.y - low.y + kTileImageHeight};
}

Board::~Board() { vorn::Scheduler::instance()->remove(this); }

void Board::measureLayout(glm::vec2& low, glm::vec2& high) const {
    low = {10000.0f, 10000.0f};
    high = {0.0f, 0.0f};
    if (!level) return;
    for (const LevelPlace& place : level->places) {
        const glm::vec2 p = gridToPixels(place.position);
        low = glm::min(low, p);
        high = glm::max(high, p);
    }
}

glm::vec2 Board::center() const {
    glm::vec2 low;
    glm::vec2 high;
    measureLayout(low, high);
    return (low + high) * 0.5f;
}

void Board::onEnterStage() {
    if (!scheduled_) {
        vorn::Scheduler::instance()->add(this);
        scheduled_ = true;
    }
    // A board deals once; entering the stage again only resumes its clock.
    if (deck || !level) return;
    deck = level->deck ? level->deck : std::make_shared<Deck>();
    deck->prepare(level->plainPlaceCount(), randomEngine);
    std::vector<std::shared_ptr<Place>> places;
    places.reserve(level->places.size());
    for (const LevelPlace& place : level->places) places.push_back(std::make_shared<Place>(place.position));
    arrangeDeck(places, deck, true);
    publishCounts();
    setScore(0);
}

void Board::onExitStage() {
    vorn::Scheduler::instance()->remove(this);
    scheduled_ = false;
}

std::shared_ptr<Tile> Board::cellAt(const TilePosition& p) const {
    if (!p.inGrid()) return nullptr;
    return grid[p.z][p.y][p.x];
}

bool Board::occupied(int x, int y, int z) const {
    return x >= 0 && x < kGridColumns && y >= 0 && y < kGridRows && z >= 0 && z < kGridLayers && grid[z][y][x] != nullptr;
}

void Board::setCell(const TilePosition& p, const std::shared_ptr<Tile>& tile) {
    if (!p.inGrid()) return;
    grid[p.z][p.y][p.x] = tile;
}

void Board::addTile(const std::shared_ptr<Tile>& tile) {
    if (!tile) {
        vorn::log("tile is nullptr");
        return;
    }
    tiles.push_back(tile);
    const TilePosition& p = tile->position;
    for (int x = p.x; x < p.x + static_cast<int>(tile->width); ++x) {
        for (int y = p.y; y < p.y + static_cast<int>(tile->height); ++y) {
            setCell(TilePosition(x, y, p.z), tile);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
            maxZ = std::max(maxZ, p.z);
        }
    }
}

void Board::removeTile(const std::shared_ptr<Tile>& tile, bool fromList) {
    if (!tile) return;
    if (fromList) {
        const auto found = std::find(tiles.begin(), tiles.end(), tile);
        if (found != tiles.end()) tiles.erase(found);
    }
    // Only cells the tile still holds: a cell written over by another tile
    // belongs to that one.
    const TilePosition& p = tile->position;
    for (int x = p.x; x < p.x + static_cast<int>(tile->width); ++x) {
        for (int y = p.y; y < p.y + static_cast<int>(tile->height); ++y) {
            const TilePosition cell(x, y, p.z);
            if (cellAt(cell) == tile) setCell(cell, nullptr);
        }
    }
}

bool Board::isFootprintFree(const std::shared_ptr<Tile>& tile) const {
    if (!tile) return false;
    const TilePosition& p = tile->position;
    for (int x = p.x; x < p.x + static_cast<int>(tile->width); ++x) {
        for (int y = p.y; y < p.y + static_cast<int>(tile->height); ++y) {
            const std::shared_ptr<Tile> there = cellAt(TilePosition(x, y, p.z));
            if (there && there->type >= 0) return false;
        }
    }
    return true;
}

int Board::tileCount() const {
    int count = 0;
    for (const auto& child : children()) {
        const auto* tile = dynamic_cast<const Tile*>(child.get());
        if (tile && tile->type >= 0) ++count;
    }
    return count;
}

int Board::bearCount() const {
    return static_cast<int>(std::count_if(tiles.begin(), tiles.end(), [](const std::shared_ptr<Tile>& t) {
        return dynamic_cast<const BearTile*>(t.get()) != nullptr;
    }));
}

void Board::publishCounts() {
    if (!level) return;
    if (level->mode == 1) vorn::DataSource::get("tilesToPairCount")->set(vorn::Value(tileCount()));
    else if (level->mode == 3) vorn::DataSource::get("bearsCount")->set(vorn::Value(bearCount()));
}

void Board::sortTiles() {
    removeAllChildren();
    // A tile lies in front of the tiles of its layer to its left and above
    // it, and never shares a cell with them, so the order by x + y (then x)
    // draws every tile after the ones it overlaps; it is a plain sort that
    // ends whatever the layout. Cell markers narrower than a tile come
    // first, under the tiles.
    std::stable_sort(tiles.begin(), tiles.end(), [](const std::shared_ptr<Tile>& a, const std::shared_ptr<Tile>& b) {
        const TilePosition& p = a->position;
        const TilePosition& q = b->position;
        return std::make_tuple(p.z, a->width >= 2, p.x + p.y, p.x) < std::make_tuple(q.z, b->width >= 2, q.x + q.y, q.x);
    });
    for (const auto& tile : tiles) {
        if (std::find(returning_.begin(), returning_.end(), tile) != returning_.end()) continue;
        addChild(tile);
    }
}

} // namespace mahjong
