// The deck's work on tile types alone; the tile objects are made in Deck.cpp.
#include "mahjong/Deck.h"

#include "core/Log.h"
#include "mahjong/TilePosition.h"

#include <algorithm>

namespace mahjong {

Deck::Deck() { fillPool(); }

Deck::Deck(const std::vector<int>& fixedTypes) : fixed(fixedTypes) {}

Deck::Deck(const std::vector<std::shared_ptr<Tile>>& list) : tiles(list) {}

Deck::~Deck() = default;

void Deck::fillPool() {
    for (int round = 0; round < 4; ++round) {
        for (int type = 1; type <= 33; ++type) pool.push_back(type);
        pool.push_back(42);
    }
    if (fixed.empty()) {
        for (int type = 34; type <= 41; ++type) pool.push_back(type);
    }
}

std::vector<int> Deck::prepareTypes(unsigned count, std::mt19937& random) {
    if (!fixed.empty()) {
        // More fixed types than places: only the fixed tiles.
        count = count > fixed.size() ? count - static_cast<unsigned>(fixed.size()) : 0u;
    }
    while (pool.size() < count) fillPool();

    std::vector<int> work = pool;
    std::shuffle(work.begin(), work.end(), random);
    std::vector<int> types;
    types.reserve(count + fixed.size());
    for (unsigned i = 0; i < count / 2; ++i) {
        const int type = work.back();
        types.push_back(type);
        const auto partner = std::find_if(work.begin(), work.end() - 1, [type](int e) { return tileTypesMatch(type, e); });
        if (partner != work.end() - 1) {
            types.push_back(type);
            work.erase(partner);
        }
        work.pop_back();
    }
    std::shuffle(types.begin(), types.end(), random);
    for (int type : fixed) types.insert(types.begin(), type);
    return types;
}

void Deck::shuffle(std::mt19937& random) {
    if (tiles.empty()) return;
    std::shuffle(tiles.begin(), tiles.end(), random);
}

} // namespace mahjong
