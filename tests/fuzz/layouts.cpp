// Tile layout files (data/levels/*.plist), dealt as the game deals them.
#include "FuzzSupport.h"

#include "mahjong/Deal.h"
#include "mahjong/Deck.h"
#include "mahjong/Level.h"

#include <random>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vorn::fuzz::writeScratch("layout.plist", data, size);
    mahjong::Level level(path);
    std::mt19937 random(1);
    const std::vector<int> types = level.deck->prepareTypes(level.plainPlaceCount(), random);
    mahjong::DealDeck deck;
    for (std::size_t i = 0; i < types.size(); ++i) deck.cards.push_back({types[i], static_cast<int>(i)});
    std::vector<mahjong::TilePosition> places;
    for (const mahjong::LevelPlace& p : level.places) places.push_back(p.position);
    mahjong::DealSettings settings;
    settings.mode = level.mode;
    settings.bearsCount = level.bearsCount;
    settings.plainPlaceCount = level.plainPlaceCount();
    (void)mahjong::dealTiles(places, deck, settings, random);
    return 0;
}
