// Dealing tiles onto the board: the first deal and the reshuffle.
#include "mahjong/Board.h"

#include "mahjong/Deck.h"
#include "mahjong/Level.h"
#include "mahjong/Tile.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"

namespace mahjong {

void Board::arrangeDeck(std::vector<std::shared_ptr<Place>>& places, const std::shared_ptr<Deck>& source, bool initial) {
    std::vector<TilePosition> positions;
    positions.reserve(places.size());
    for (const auto& place : places) {
        if (place) positions.push_back(place->position);
    }
    places.clear();

    DealDeck cards;
    if (source) {
        cards.cards.reserve(source->tiles.size());
        for (std::size_t i = 0; i < source->tiles.size(); ++i) {
            const auto& tile = source->tiles[i];
            if (tile) cards.cards.push_back({tile->type, static_cast<int>(i)});
        }
    }
    DealSettings settings;
    settings.mode = level ? level->mode : 1;
    settings.bearsCount = level ? level->bearsCount : 0;
    settings.initial = initial;
    settings.plainPlaceCount = level ? level->plainPlaceCount() : 0;
    settings.tilesOnBoard = tiles.size();
    const DealResult result = dealTiles(positions, cards, settings, randomEngine);

    std::vector<std::shared_ptr<Tile>> gold;
    std::vector<std::shared_ptr<Tile>> bears;
    for (int i = 0; i < result.newGold; ++i) gold.push_back(std::make_shared<GoldTile>());
    for (int i = 0; i < result.newBears; ++i) bears.push_back(std::make_shared<BearTile>());
    for (const DealStep& step : result.steps) {
        const std::size_t index = static_cast<std::size_t>(step.index);
        std::shared_ptr<Tile> tile;
        if (step.kind == DealStep::NewGold) tile = gold[index];
        else if (step.kind == DealStep::NewBear) tile = bears[index];
        else tile = source->tiles[index];
        if (step.special) {
            // Shown with the next re-sort of the children.
            tile->setGridPosition(step.position, true);
            addTile(tile);
            continue;
        }
        tile->setGridPosition(step.position, false);
        addTile(tile);
        addChild(tile);
        if (step.delay >= 0.0f) tile->animateInitial(step.delay);
    }
    if (source) {
        std::vector<std::shared_ptr<Tile>> left;
        left.reserve(cards.cards.size());
        for (const DealCard& card : cards.cards) left.push_back(source->tiles[static_cast<std::size_t>(card.id)]);
        source->tiles = std::move(left);
    }
    closeDeal((result.delay + 0.5f) + 0.1f, initial ? "after deal" : "after reshuffle");
}

void Board::closeDeal(float wait, const std::string& why) {
    const auto self = std::static_pointer_cast<Board>(shared_from_this());
    vorn::IntervalAction* steps[] = {
        new vorn::WaitAction(wait),
        new vorn::FunctionAction([self, why](vorn::Node*) {
            self->sortTiles();
            // A hint lit on tiles that have landed stays: it has been paid for.
            for (const auto& tile : self->tiles) {
                if (!tile->showsHint()) tile->showLockState();
            }
            if (self->onChange) self->onChange(why);
            self->checkForMoves(false);
        }),
    };
    runAction(new vorn::Sequence(steps, 2));
}

void Board::reshuffle() {
    // The deal that follows checks for moves itself.
    movesCheckPending_ = false;
    landReturningTiles();
    auto again = std::make_shared<Deck>(tiles);
    again->shuffle(randomEngine);
    std::vector<std::shared_ptr<Place>> places;
    places.reserve(tiles.size());
    for (const auto& tile : tiles) places.push_back(std::make_shared<Place>(tile->gridPosition()));
    // Every cell the tiles covered is emptied before they are dealt again,
    // so that no cell keeps a tile that moved.
    for (const auto& tile : tiles) removeTile(tile, false);
    tiles.clear();
    noTurnsReported_ = false;
    arrangeDeck(places, again, false);
    float delay = 0.0f;
    for (const auto& tile : tiles) {
        tile->animateReshuffle(delay);
        delay += 0.01f;
    }
}

} // namespace mahjong
