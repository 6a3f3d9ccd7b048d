#pragma once

// The deal as a rule on positions and tile types: which tile goes to which
// place, in which order, with which fly-in delay. The board turns the
// result into tile nodes; tools and tests use it without any.

#include "mahjong/TilePosition.h"

#include <memory>
#include <random>
#include <vector>

namespace mahjong {

// One place of a deal and its neighbours: the places on the layer above
// that cover part of it, and the places beside it on its own layer.
class DealPlace {
public:
    explicit DealPlace(const TilePosition& p) : position(p) {}

    // Each count follows every path, not every distinct place, so a place
    // reached two ways counts twice. They are remembered once computed;
    // linking the places again forgets them.
    float aboveCount() const;
    float rightCount() const;
    float leftCount() const;
    // The deal fills the highest first: covered places, and places deep
    // inside a row.
    float priority() const;

    TilePosition position;
    // Plain pointers: the places live in their deal's list, which outlives
    // every use of the links.
    std::vector<DealPlace*> above;
    std::vector<DealPlace*> right;
    std::vector<DealPlace*> left;

private:
    friend void linkPlaces(const std::vector<std::shared_ptr<DealPlace>>& places);
    void forget() { above_ = right_ = left_ = -1.0f; }

    mutable float above_ = -1.0f;
    mutable float right_ = -1.0f;
    mutable float left_ = -1.0f;
};

// Builds the neighbour lists of every place, each neighbour listed once.
void linkPlaces(const std::vector<std::shared_ptr<DealPlace>>& places);

// A tile of the deck by its type; id tells the caller which tile it is.
struct DealCard {
    int type = 0;
    int id = 0;
};

// The deck as the deal sees it: the back is the next tile.
class DealDeck {
public:
    DealDeck() = default;
    explicit DealDeck(std::vector<DealCard> list) : cards(std::move(list)) {}
    bool pop(DealCard& out);
    bool takeMatching(int type, DealCard& out);
    std::vector<DealCard> cards;
};

struct DealSettings {
    int mode = 1;
    int bearsCount = 0;
    // The first deal makes the special tiles and lets tiles fly in; a
    // reshuffle takes them out of the deck.
    bool initial = true;
    // The layout's plain places (first deal only).
    unsigned plainPlaceCount = 0;
    // Tiles already on the board when the deal starts.
    std::size_t tilesOnBoard = 0;
};

struct DealStep {
    enum Kind { DeckTile, NewGold, NewBear };
    Kind kind = DeckTile;
    // A card id for a deck tile, else which of the new special tiles.
    int index = 0;
    TilePosition position;
    // Gold and bear tiles jump to their place and show up at the next
    // re-sort of the board; the others are shown at once.
    bool special = false;
    // Fly-in start for a deck tile of the first deal; below 0 for none.
    float delay = -1.0f;
};

struct DealResult {
    // In the order the tiles join the board.
    std::vector<DealStep> steps;
    int newGold = 0;
    int newBears = 0;
    // The delay after the last tile: the closing step waits it plus 0.6 s.
    float delay = 0.0f;
    // Places that got no tile.
    std::vector<TilePosition> empty;
};

// Deals the deck onto the places. A deck that runs out leaves the rest of
// the places empty, with a log line. A reshuffle deals every tile it was
// given: a tile whose partner was missing takes a place left empty.
DealResult dealTiles(const std::vector<TilePosition>& places, DealDeck& deck, const DealSettings& settings,
                     std::mt19937& random);

} // namespace mahjong
