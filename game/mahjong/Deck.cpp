#include "mahjong/Deck.h"

#include "mahjong/Tile.h"

#include <algorithm>

namespace mahjong {

void Deck::prepare(unsigned count, std::mt19937& random) {
    tiles.clear();
    for (int type : prepareTypes(count, random)) tiles.push_back(std::make_shared<Tile>(type));
}

std::shared_ptr<Tile> Deck::pop() {
    if (tiles.empty()) return nullptr;
    std::shared_ptr<Tile> tile = std::move(tiles.back());
    tiles.pop_back();
    return tile;
}

std::shared_ptr<Tile> Deck::takeMatching(const int& type) {
    const auto found = std::find_if(tiles.begin(), tiles.end(), [type](const std::shared_ptr<Tile>& t) {
        return t && tileTypesMatch(type, t->type);
    });
    if (found == tiles.end()) return nullptr;
    std::shared_ptr<Tile> tile = std::move(*found);
    tiles.erase(found);
    return tile;
}

} // namespace mahjong
