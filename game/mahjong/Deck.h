#pragma once

#include <memory>
#include <random>
#include <vector>

namespace mahjong {

class Tile;

// The tiles of a deal. A pool of types is turned into matching pairs in a
// random order, the layout's fixed types go in front, and the deal takes
// tiles from the back or asks for a partner from the front.
class Deck {
public:
    // A pool of one full set; no fixed types.
    Deck();
    // The pool stays empty until the first prepare fills it.
    explicit Deck(const std::vector<int>& fixedTypes);
    // The tiles as given, for dealing them again; no pool.
    explicit Deck(const std::vector<std::shared_ptr<Tile>>& list);
    virtual ~Deck();

    // Appends 1..33 and 42 four times, then 34..41 once when there are no
    // fixed types.
    void fillPool();
    // New tiles for a deal of count places.
    void prepare(unsigned count, std::mt19937& random);
    // The types that prepare puts into the deck, in the same order and with
    // the same use of the engine; for callers that need no tile objects.
    std::vector<int> prepareTypes(unsigned count, std::mt19937& random);

    // The last tile, taken out; empty when there is none.
    std::shared_ptr<Tile> pop();
    // The first tile from the front that matches type, taken out; empty
    // when none does.
    std::shared_ptr<Tile> takeMatching(const int& type);
    void shuffle(std::mt19937& random);

    std::vector<int> pool;
    std::vector<std::shared_ptr<Tile>> tiles;
    std::vector<int> fixed;
};

} // namespace mahjong
