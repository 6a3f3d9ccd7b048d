#pragma once

#include "mahjong/TilePosition.h"
#include "scene/Sprite.h"

#include <cstdint>
#include <memory>

namespace mahjong {

class Board;

// One stone of the layout: a sprite that knows its face type, its place in
// the board's grid, whether it is free, and how it animates into place. Its
// looks are the sprite's animations "default", "locked", "selected" and
// "hint".
class Tile : public vorn::Sprite {
public:
    // Types from 0 load the tile sprite, types above 0 also their face; a
    // negative type loads nothing.
    explicit Tile(int type);
    ~Tile() override;

    // A free tile tells its board; a locked one does nothing.
    bool mouseDown(const glm::vec2& point, vorn::eButtonName button) override;

    virtual bool canMatch(const std::shared_ptr<Tile>& other);
    // Called on every tile after a pair has left the board.
    virtual void refreshState();

    // "locked" or "default".
    void showLockState();
    // Free unless covered from above or blocked on both sides. A tile
    // outside a board is free.
    bool isLocked();
    // Shows the selection, or the locked look when it cannot be selected.
    bool select();
    void showHint();
    bool showsHint() const;

    std::shared_ptr<Board> board();
    TilePosition gridPosition() const { return position; }
    void setGridPosition(const TilePosition& p, bool move);
    glm::vec2 pixelPosition() const { return gridToPixels(position); }

    // A tile has one move at a time: each of these takes the place of the
    // move under way, which then never lands.
    void animateInitial(float delay);
    void animateReshuffle(float delay);
    void animateUndo(float delay);
    // Ends the move under way, where the tile is, without its landing step.
    void stopMoving();
    // From the start of a move until it lands or is stopped: the tile is not
    // yet where its cell is drawn, and its landing will reset its look.
    bool isMoving() const { return moving_; }

    int type = kNoType;
    std::uint32_t width = 2;
    std::uint32_t height = 2;
    TilePosition position;

protected:
    // Loads a sprite file; for the special tiles, whose type comes first.
    void loadSprite(const std::string& path);

private:
    void animateTo(float delay, float seconds, bool eased, bool placeSound);

    bool moving_ = false;
};

class GoldTile : public Tile {
public:
    GoldTile();
    ~GoldTile() override;
};

// Never matches; leaves the board by itself as soon as a removed pair
// frees it, for points.
class BearTile : public Tile {
public:
    BearTile();
    ~BearTile() override;
    bool canMatch(const std::shared_ptr<Tile>& other) override;
    void refreshState() override;
};

} // namespace mahjong
