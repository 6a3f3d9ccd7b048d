#pragma once

#include "mahjong/TilePosition.h"

#include <memory>
#include <string>
#include <vector>

namespace mahjong {

class Deck;

// One tile layout: its places, the game mode, the bears, the background,
// the fixed tile types and the deck that fills it. Read from a property
// list and written back by the editor.
class Level {
public:
    // A file that cannot be read, is malformed or holds overlapping places
    // gives an empty layout (no places, mode 1) and a log line.
    explicit Level(const std::string& path);
    // A small built-in layout of 28 places.
    Level();
    virtual ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    // Writes the layout to its path, replacing the file atomically. False
    // (and a log line) when there is no path, the places are such that
    // reading the file would refuse it, or the file cannot be written.
    bool save();

    // The places the deck fills: those without a type of their own.
    unsigned plainPlaceCount() const;
    void setMode(const int& value) { mode = value; }
    void setBearsCount(int value) { bearsCount = value; }
    void setPlaces(const std::vector<LevelPlace>& list) { places = list; }

    std::string path;
    std::string background;
    std::vector<LevelPlace> places;
    std::shared_ptr<Deck> deck;
    std::vector<int> unshuffleable;
    int mode = 1;
    int bearsCount = 0;

private:
    void read();
    void clear();
};

// The first pair of places of one layer that share a cell, as indices into
// the list; (-1, -1) when there is none.
std::pair<int, int> findOverlap(const std::vector<LevelPlace>& places);

// Why a layout file with these places would be refused when read (a place
// outside the grid, two that overlap); "" when it would be read.
std::string refusedPlaces(const std::vector<LevelPlace>& places);

} // namespace mahjong
