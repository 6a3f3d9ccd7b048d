#include "mahjong/TilePosition.h"

#include "core/Value.h"

namespace mahjong {

bool tileTypesMatch(const int& a, const int& b) {
    if (a >= 38 && a <= 41) return (b >= 38 && b <= 41) || a == b;
    if (a >= 34 && a <= 37) return (b >= 34 && b <= 37) || a == b;
    return a == b;
}

int matchClass(int type) {
    if (type >= 38 && type <= 41) return 38;
    if (type >= 34 && type <= 37) return 34;
    return type;
}

TilePosition::TilePosition(const vorn::Value& array)
    : x(array.at(0).asInt()), y(array.at(1).asInt()), z(array.at(2).asInt()) {}

glm::vec2 gridToPixels(const TilePosition& p) {
    const float px = static_cast<float>(p.x + 1) * 0.5f * kTileImageWidth - static_cast<float>(p.z) * 10.0f + 100.0f;
    const float py = static_cast<float>(p.y + 1) * 0.5f * kTileImageHeight - static_cast<float>(p.z) * 15.0f + 150.0f;
    return {px, py};
}

LevelPlace::LevelPlace(const vorn::Value& array)
    : position(array), type(array.size() > 3 ? array.at(3).asInt() : 0) {}

vorn::Value LevelPlace::toValue() const {
    vorn::Value array(vorn::Value::ARRAY);
    array.push_back(vorn::Value(position.x));
    array.push_back(vorn::Value(position.y));
    array.push_back(vorn::Value(position.z));
    if (type > 0) array.push_back(vorn::Value(type));
    return array;
}

} // namespace mahjong
