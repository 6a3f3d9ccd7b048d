#pragma once

#include "mahjong/Deal.h"
#include "mahjong/TilePosition.h"
#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mahjong {

class Deck;
class Level;
class Tile;

// The play field of one level: the tiles of a layout in a grid of
// half-tile cells, drawn in order, with the state of one game (selection,
// multiplier, hint, undo records, play time). The game screen hears of play
// through six callbacks and the data sources "score", "scoreMultiplier",
// "scoreMultiplierFill", "tilesToPairCount" and "bearsCount".
//
// Between operations every tile of the list covers its cells in the grid
// and the grid holds no other tile.
class Board : public vorn::Node {
public:
    using Place = DealPlace;
    using Move = std::pair<std::shared_ptr<Tile>, std::shared_ptr<Tile>>;

    struct UndoRecord {
        std::shared_ptr<Tile> first;
        std::shared_ptr<Tile> second;
        std::vector<std::shared_ptr<Tile>> freedBears;
    };

    explicit Board(const std::shared_ptr<Level>& level);
    ~Board() override;

    // Deals the layout, once.
    void onEnterStage() override;
    // Leaves the scheduler: a board taken off the stage stops publishing.
    void onExitStage() override;
    void onUpdate(float dt) override;

    // Cells; outside the grid a cell is empty and cannot be written.
    std::shared_ptr<Tile> cellAt(const TilePosition& p) const;
    bool occupied(int x, int y, int z) const;
    void setCell(const TilePosition& p, const std::shared_ptr<Tile>& tile);
    void addTile(const std::shared_ptr<Tile>& tile);
    // Clears the cells that still hold this tile; with fromList it also
    // leaves the list.
    void removeTile(const std::shared_ptr<Tile>& tile, bool fromList);
    bool isFootprintFree(const std::shared_ptr<Tile>& tile) const;
    // Child tiles with a type from 0: tiles in flight are not counted.
    int tileCount() const;
    int bearCount() const;
    virtual void publishCounts();
    // Children rebuilt from the list: lower layers first, and within a
    // layer a tile before those to its right and below it.
    void sortTiles();
    glm::vec2 center() const;

    void setOnScoreChanged(std::function<void(long long)> f) { onScoreChanged = std::move(f); }
    void setOnWin(std::function<void()> f) { onWin = std::move(f); }
    void setOnNoTurns(std::function<void()> f) { onNoTurns = std::move(f); }
    void setOnMatch(std::function<void()> f) { onMatch = std::move(f); }
    void setOnTileRemoved(std::function<void(const std::shared_ptr<Tile>&)> f) { onTileRemoved = std::move(f); }
    // The tiles have taken new places or left: "after deal" and "after
    // reshuffle" at the deal's closing step, "after pair" once a pair has
    // left the list, "after undo" as each returning tile lands.
    void setOnChange(std::function<void(const std::string&)> f) { onChange = std::move(f); }

    // Deal and reshuffle.
    void arrangeDeck(std::vector<std::shared_ptr<Place>>& places, const std::shared_ptr<Deck>& deck, bool initial);
    void reshuffle();

    // Play.
    void tileClicked(const std::shared_ptr<Tile>& tile);
    void matchPair(const std::shared_ptr<Tile>& tile);
    void animateRemove(const std::shared_ptr<Tile>& first, const std::shared_ptr<Tile>& second);
    void setScore(long long score);
    long long addScore(long long points);
    void raiseMultiplier();
    // The pairs of free tiles that have their places: a tile still on its
    // way (dealt, reshuffled, coming back through undo) is left out, so a
    // hint never lights a tile whose landing would reset its look.
    std::vector<Move> findMoves();
    bool isWon() const;
    bool showHint();
    bool undo();
    void addToLastUndo(const std::shared_ptr<Tile>& bear);
    // A tile has ended its move: a check for moves that waited for the
    // tiles in flight runs once the last has landed.
    void tileLanded();
    bool isInFlight(const std::shared_ptr<Tile>& tile) const;

    glm::vec2 layoutSize{0.0f, 0.0f};
    float elapsed = 0.0f;
    std::shared_ptr<Level> level;
    std::shared_ptr<Deck> deck;
    std::vector<std::shared_ptr<Tile>> tiles;
    std::shared_ptr<Tile> selected;
    std::shared_ptr<Tile> grid[kGridLayers][kGridRows][kGridColumns];
    int maxX = 0;
    int maxY = 0;
    int maxZ = 0;
    std::mt19937 randomEngine;
    float multiplierFill = 0.0f;
    long long multiplier = 1;
    std::function<void(long long)> onScoreChanged;
    bool hintShown = false;
    std::vector<UndoRecord> undoRecords;
    std::function<void()> onWin;
    std::function<void()> onNoTurns;
    std::function<void()> onMatch;
    std::function<void(const std::shared_ptr<Tile>&)> onTileRemoved;
    std::function<void(const std::string&)> onChange;

protected:
    // The layout's bounding box from its places' centres.
    void measureLayout(glm::vec2& low, glm::vec2& high) const;

private:
    // After a deal, a reshuffle or a pair: reports a board without a move
    // once, until a move shows up again. While tiles are in flight, a board
    // without a move waits for their landing: they may bring one.
    void checkForMoves(bool logTurns);
    bool anyTileInFlight() const;
    // The closing step of a deal: sort, show every tile's state, look for
    // moves.
    void closeDeal(float wait, const std::string& why);
    // A tile on its way back through undo: in the grid and the list, but
    // not yet a child.
    void land(const std::shared_ptr<Tile>& tile);
    void landReturningTiles();

    bool noTurnsReported_ = false;
    bool movesCheckPending_ = false;
    bool scheduled_ = false;
    std::vector<std::shared_ptr<Tile>> returning_;
};

} // namespace mahjong
