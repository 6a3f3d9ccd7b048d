#include "mahjong/Level.h"

#include "core/Log.h"
#include "core/Value.h"
#include "mahjong/Deck.h"

#include <algorithm>
#include <array>
#include <exception>
#include <stdexcept>

namespace mahjong {

namespace {

// Numbers, and text that reads as one, go through the value's conversion
// (which throws on any other text); a missing element, a container or a
// truth value where a number belongs marks the file as malformed.
int readInteger(const vorn::Value& value, const char* what) {
    const vorn::Value::Type type = value.type();
    if (type == vorn::Value::INTEGER || type == vorn::Value::REAL || type == vorn::Value::STRING) {
        try {
            return value.asInt();
        } catch (const std::exception&) {
            // Text that is no number: reported below.
        }
    }
    throw std::invalid_argument(std::string(what) + " is not a number");
}

LevelPlace readPlace(const vorn::Value& entry) {
    if (entry.type() != vorn::Value::ARRAY || entry.size() < 3) {
        throw std::invalid_argument("a place is not an array of three or four integers");
    }
    LevelPlace place(readInteger(entry.at(0), "a place's x"), readInteger(entry.at(1), "a place's y"),
                     readInteger(entry.at(2), "a place's layer"), 0);
    if (entry.size() > 3) place.type = readInteger(entry.at(3), "a place's type");
    if (!place.position.holdsTile()) throw std::invalid_argument("a place lies outside the grid");
    return place;
}

} // namespace

std::pair<int, int> findOverlap(const std::vector<LevelPlace>& places) {
    // Owner of every cell, layer by layer.
    std::vector<int> owner(static_cast<std::size_t>(kGridColumns * kGridRows * kGridLayers), -1);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const TilePosition& p = places[i].position;
        for (int dx = 0; dx < 2; ++dx) {
            for (int dy = 0; dy < 2; ++dy) {
                const TilePosition cell(p.x + dx, p.y + dy, p.z);
                if (!cell.inGrid()) continue;
                int& slot = owner[static_cast<std::size_t>((cell.z * kGridRows + cell.y) * kGridColumns + cell.x)];
                if (slot >= 0) return {slot, static_cast<int>(i)};
                slot = static_cast<int>(i);
            }
        }
    }
    return {-1, -1};
}

Level::Level(const std::string& file) : path(file) { read(); }

Level::Level() {
    for (int i = 1; i <= 11; i += 2) {
        for (int j = 1; j <= 5; j += 2) places.emplace_back(i, j, 0, -1);
    }
    for (int row : {2, 4}) {
        for (int j = 2; j <= 10; j += 2) places.emplace_back(j, row, 1, -1);
    }
    deck = std::make_shared<Deck>();
}

Level::~Level() = default;

void Level::clear() {
    background.clear();
    places.clear();
    unshuffleable.clear();
    mode = 1;
    bearsCount = 0;
}

void Level::read() {
    clear();
    const vorn::Value root = vorn::Value::fromPlistFile(path);
    try {
        // An empty or unparsable file has been logged by the reader.
        if (!root.isNil() && root.type() != vorn::Value::DICT) {
            throw std::invalid_argument("the root is not a dictionary");
        }
        const vorn::Value& list = root.get("places");
        if (!list.isNil()) {
            if (list.type() != vorn::Value::ARRAY) throw std::invalid_argument("\"places\" is not an array");
            for (unsigned i = 0; i < list.size(); ++i) places.push_back(readPlace(list.at(i)));
        }
        const vorn::Value& modeValue = root.get("mode");
        if (!modeValue.isNil()) mode = readInteger(modeValue, "\"mode\"");
        if (mode == 3) {
            const vorn::Value& bears = root.get("bearsCount");
            if (!bears.isNil()) bearsCount = std::max(0, readInteger(bears, "\"bearsCount\""));
            // Each bear takes a place of its own: more could never go down,
            // and making them all would hold up the deal for long.
            if (static_cast<std::size_t>(bearsCount) > places.size()) {
                vorn::log("%s: bearsCount %d is more than its %zu places; %zu used", path.c_str(), bearsCount,
                          places.size(), places.size());
                bearsCount = static_cast<int>(places.size());
            }
        }
        const vorn::Value& name = root.get("background");
        if (!name.isNil()) background = name.toString();
        const vorn::Value& fixed = root.get("unshuffleable");
        if (!fixed.isNil()) {
            if (fixed.type() != vorn::Value::ARRAY) throw std::invalid_argument("\"unshuffleable\" is not an array");
            for (unsigned i = 0; i < fixed.size(); ++i) {
                unshuffleable.push_back(readInteger(fixed.at(i), "a fixed type"));
            }
        }
        if (const std::string refusal = refusedPlaces(places); !refusal.empty()) throw std::invalid_argument(refusal);
    } catch (const std::exception& e) {
        vorn::log("Can't open or parse: %s [%s]", path.c_str(), e.what());
        clear();
    }
    deck = unshuffleable.empty() ? std::make_shared<Deck>() : std::make_shared<Deck>(unshuffleable);
}

unsigned Level::plainPlaceCount() const {
    return static_cast<unsigned>(std::count_if(places.begin(), places.end(), [](const LevelPlace& p) { return p.isPlain(); }));
}

std::string refusedPlaces(const std::vector<LevelPlace>& places) {
    for (const LevelPlace& place : places) {
        const TilePosition& p = place.position;
        if (!p.holdsTile()) {
            return "the place (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.z) +
                   ") lies outside the grid";
        }
    }
    const auto [first, second] = findOverlap(places);
    if (first < 0) return "";
    const TilePosition& a = places[static_cast<std::size_t>(first)].position;
    const TilePosition& b = places[static_cast<std::size_t>(second)].position;
    return "places (" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " + std::to_string(a.z) + ") and (" +
           std::to_string(b.x) + ", " + std::to_string(b.y) + ", " + std::to_string(b.z) + ") overlap";
}

bool Level::save() {
    if (path.empty()) {
        vorn::log("Level::save: the layout has no file");
        return false;
    }
    // A file the reader would refuse whole must not replace one it reads.
    if (const std::string refusal = refusedPlaces(places); !refusal.empty()) {
        vorn::log("Level::save: %s is not written: %s", path.c_str(), refusal.c_str());
        return false;
    }
    vorn::Value root(vorn::Value::DICT);
    vorn::Value list(vorn::Value::ARRAY);
    for (const LevelPlace& place : places) list.push_back(place.toValue());
    root.set(list, "places");
    root.set(vorn::Value(mode), "mode");
    if (mode == 3) root.set(vorn::Value(bearsCount), "bearsCount");
    if (!background.empty()) root.set(vorn::Value(background), "background");
    if (!unshuffleable.empty()) {
        vorn::Value fixed(vorn::Value::ARRAY);
        for (int type : unshuffleable) fixed.push_back(vorn::Value(type));
        root.set(fixed, "unshuffleable");
    }
    return vorn::Value::writePlistFile(root, path);
}

} // namespace mahjong
