// Play on the board: selection, pairs, score and multiplier, moves, hint,
// win and undo.
#include "mahjong/Board.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "mahjong/Level.h"
#include "mahjong/ScoreText.h"
#include "mahjong/Tile.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/Effect.h"
#include "scene/Scene.h"
#include "scene/SimpleActions.h"

#include <algorithm>

namespace mahjong {

namespace {

std::shared_ptr<vorn::Scene> runningScene() {
    vorn::Application* app = vorn::Application::instance();
    return app ? app->runningScene() : nullptr;
}

} // namespace

void Board::onUpdate(float dt) {
    elapsed += dt;
    if (multiplierFill > 0.0f) {
        multiplierFill -= static_cast<float>(multiplier) * dt * 0.1f;
        if (multiplierFill <= 0.0f) {
            multiplierFill = 0.0f;
            multiplier = 1;
            vorn::DataSource::get("scoreMultiplier")->set(vorn::Value(multiplier));
        }
    }
    vorn::DataSource::get("scoreMultiplierFill")->set(vorn::Value(multiplierFill));
}

void Board::tileClicked(const std::shared_ptr<Tile>& tile) {
    // Only free tiles of this board that take clicks: a tile on its way
    // back through undo is in the list but not yet clickable.
    if (!tile || !tile->isEnabled() || std::find(tiles.begin(), tiles.end(), tile) == tiles.end() || tile->isLocked()) return;
    // Undo or a reshuffle may have covered the selection since it was made,
    // or taken it off the board.
    if (selected && (selected->isLocked() || std::find(tiles.begin(), tiles.end(), selected) == tiles.end())) {
        selected->showLockState();
        selected.reset();
    }
    if (!selected) {
        selected = tile;
        tile->select();
    } else if (selected == tile) {
        tile->showLockState();
        selected.reset();
    } else if (selected->canMatch(tile)) {
        matchPair(tile);
    } else {
        selected->showLockState();
        selected = tile;
        tile->select();
    }
}

void Board::matchPair(const std::shared_ptr<Tile>& tile) {
    const std::shared_ptr<Tile> first = selected;
    if (!first || !tile || first == tile) return;
    // A callback may let go of the board.
    const auto self = shared_from_this();
    removeTile(first, true);
    removeTile(tile, true);
    undoRecords.push_back({first, tile, {}});
    hintShown = false;
    // A leaving bear may free tiles, bears among them, that this pass
    // already went by: go again until no bear leaves.
    for (std::size_t before = 0; before != tiles.size();) {
        before = tiles.size();
        const std::vector<std::shared_ptr<Tile>> copy = tiles;
        for (const auto& t : copy) t->refreshState();
    }

    const long long added = addScore(dynamic_cast<GoldTile*>(first.get()) ? 250 : 10);
    const std::string text = "+" + std::to_string(added / 2);
    showScoreEffect(first->getWorldPosition(), text);
    showScoreEffect(tile->getWorldPosition(), text);

    if (onTileRemoved) {
        onTileRemoved(first);
        onTileRemoved(tile);
    }
    removeChild(first);
    removeChild(tile);
    animateRemove(first, tile);
    selected.reset();
    raiseMultiplier();
    publishCounts();
    if (onChange) onChange("after pair");
    if (onMatch) onMatch();
    if (isWon()) {
        if (onWin) onWin();
        else vorn::log("Error: no onWin function set");
        return;
    }
    checkForMoves(true);
}

void Board::checkForMoves(bool logTurns) {
    if (isWon()) return;
    const std::vector<Move> moves = findMoves();
    if (!moves.empty()) {
        noTurnsReported_ = false;
        movesCheckPending_ = false;
        if (logTurns) vorn::log("%i TURNS", static_cast<int>(moves.size()));
        return;
    }
    if (anyTileInFlight()) {
        movesCheckPending_ = true;
        return;
    }
    movesCheckPending_ = false;
    // Once per stuck board: the end of a deal may find what a pair removed
    // during the deal has already reported.
    if (noTurnsReported_) return;
    noTurnsReported_ = true;
    vorn::log("NO TURNS");
    if (onNoTurns) {
        onNoTurns();
        return;
    }
    vorn::log("Error: no onNoTurns function set");
    if (const std::shared_ptr<vorn::Scene> scene = runningScene()) {
        scene->pushState();
        scene->setState("no_turns");
    }
}

void Board::setScore(long long score) {
    vorn::DataSource::get("score")->set(vorn::Value(score));
    if (onScoreChanged) onScoreChanged(score);
}

long long Board::addScore(long long points) {
    const long long added = points * multiplier;
    const vorn::Value& current = vorn::DataSource::get("score")->value();
    long long score = 0;
    try {
        score = current.asLongLong();
    } catch (const std::exception&) {
        // Something else wrote the score; counting starts again.
    }
    setScore(score + added);
    return added;
}

void Board::raiseMultiplier() {
    multiplierFill += 0.4f * static_cast<float>(multiplier);
    if (multiplierFill >= 1.0f) {
        multiplierFill = 1.0f;
        ++multiplier;
    }
    vorn::DataSource::get("scoreMultiplierFill")->set(vorn::Value(multiplierFill));
    vorn::DataSource::get("scoreMultiplier")->set(vorn::Value(multiplier));
}

std::vector<Board::Move> Board::findMoves() {
    // Tiles in flight still block their neighbours through the grid, but
    // are no move of their own until they land.
    std::vector<const std::shared_ptr<Tile>*> free;
    free.reserve(tiles.size());
    for (const auto& tile : tiles) {
        if (!tile || isInFlight(tile)) continue;
        const bool locked = isLockedAt(tile->position, static_cast<int>(tile->width), static_cast<int>(tile->height),
                                       [this](int x, int y, int z) { return occupied(x, y, z); });
        if (!locked) free.push_back(&tile);
    }
    std::vector<Move> moves;
    if (free.size() < 2) return moves;
    for (const auto* a : free) {
        for (const auto* b : free) {
            if (a == b) continue;
            if ((*a)->canMatch(*b) || (*b)->canMatch(*a)) moves.emplace_back(*a, *b);
        }
    }
    return moves;
}

bool Board::isWon() const {
    const int mode = level ? level->mode : 1;
    if (mode == 2) {
        return std::none_of(tiles.begin(), tiles.end(), [](const auto& t) { return dynamic_cast<GoldTile*>(t.get()); });
    }
    if (mode == 3) {
        return std::none_of(tiles.begin(), tiles.end(), [](const auto& t) { return dynamic_cast<BearTile*>(t.get()); });
    }
    return tiles.empty();
}

bool Board::showHint() {
    if (hintShown) return false;
    const std::vector<Move> moves = findMoves();
    if (moves.empty()) return false;
    for (const auto& tile : tiles) tile->showLockState();
    moves.front().first->showHint();
    moves.front().second->showHint();
    hintShown = true;
    return true;
}

bool Board::undo() {
    if (undoRecords.empty()) return false;
    const UndoRecord record = undoRecords.back();
    undoRecords.pop_back();
    const auto self = std::static_pointer_cast<Board>(shared_from_this());
    const std::shared_ptr<vorn::Scene> scene = isOnStage() ? runningScene() : nullptr;
    for (const std::shared_ptr<Tile>& tile : {record.first, record.second}) {
        if (!tile) continue;
        // Its removal flight ends here; the tile is back in the grid and the
        // list at once, so that nothing can win or run out of moves while it
        // is on its way, and takes no clicks until it has landed.
        tile->stopMoving();
        vorn::ActionManager::instance()->removeTarget(tile.get());
        const glm::vec3 world = tile->getWorldPosition();
        addTile(tile);
        tile->setEnabled(false);
        if (!scene) {
            land(tile);
            continue;
        }
        returning_.push_back(tile);
        scene->addChild(tile);
        tile->setPosition({world.x, world.y});
        const glm::vec2 target = localToWorld(tile->pixelPosition());
        vorn::IntervalAction* together[] = {new vorn::MoveToAction(target, 0.5f), new vorn::ScaleAction(getScale(), 0.5f)};
        vorn::IntervalAction* steps[] = {
            new vorn::Spawn(together, 2),
            new vorn::FunctionAction([self, tile](vorn::Node*) { self->land(tile); }),
        };
        tile->runAction(new vorn::Sequence(steps, 2));
    }
    for (const std::shared_ptr<Tile>& bear : record.freedBears) {
        if (!bear) continue;
        bear->stopMoving();
        vorn::ActionManager::instance()->removeTarget(bear.get());
        addChild(bear);
        addTile(bear);
        bear->setScale({1.0f, 1.0f});
        bear->showLockState();
        bear->setPosition(bear->pixelPosition());
        bear->setEnabled(true);
    }
    sortTiles();
    noTurnsReported_ = false;
    publishCounts();
    return true;
}

void Board::land(const std::shared_ptr<Tile>& tile) {
    const auto found = std::find(returning_.begin(), returning_.end(), tile);
    if (found != returning_.end()) returning_.erase(found);
    // Taken off the board meanwhile (a new deal of the list, say): it stays away.
    if (std::find(tiles.begin(), tiles.end(), tile) != tiles.end()) {
        addChild(tile);
        tile->setScale({1.0f, 1.0f});
        tile->showLockState();
        tile->setPosition(tile->pixelPosition());
        tile->setEnabled(true);
        sortTiles();
        publishCounts();
        if (onChange) onChange("after undo");
    }
    tileLanded();
}

void Board::landReturningTiles() {
    const std::vector<std::shared_ptr<Tile>> back = returning_;
    for (const auto& tile : back) {
        vorn::ActionManager::instance()->removeTarget(tile.get());
        land(tile);
    }
}

bool Board::isInFlight(const std::shared_ptr<Tile>& tile) const {
    return tile && (tile->isMoving() || std::find(returning_.begin(), returning_.end(), tile) != returning_.end());
}

bool Board::anyTileInFlight() const {
    return !returning_.empty() || std::any_of(tiles.begin(), tiles.end(), [](const auto& t) { return t && t->isMoving(); });
}

void Board::tileLanded() {
    if (!movesCheckPending_ || anyTileInFlight()) return;
    movesCheckPending_ = false;
    checkForMoves(false);
}

void Board::addToLastUndo(const std::shared_ptr<Tile>& bear) {
    if (undoRecords.empty() || !bear) return;
    undoRecords.back().freedBears.push_back(bear);
}

} // namespace mahjong
