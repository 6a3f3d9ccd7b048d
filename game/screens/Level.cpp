#include "screens/Level.h"

#include "core/Log.h"

namespace {

std::string layoutFile(const nlohmann::json& entry) {
    const auto it = entry.find("filename");
    return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

Level::Level(const std::string& uid, const nlohmann::json& entry)
    : mahjong::Level(layoutFile(entry)), uid_(uid), entry_(entry) {
    vorn::log("loading level %s", uid_.c_str());
}

Level::~Level() = default;

std::string Level::filename() const { return layoutFile(entry_); }

std::vector<std::string> Level::artifacts() const {
    std::vector<std::string> ids;
    const auto it = entry_.find("artifacts");
    if (it == entry_.end() || !it->is_array()) return ids;
    for (const auto& id : *it) {
        if (id.is_string()) ids.push_back(id.get<std::string>());
    }
    return ids;
}

std::int64_t Level::maxScore() const {
    const auto it = entry_.find("maxScore");
    return it != entry_.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

int Level::starsForScore(std::int64_t score) const {
    // The thresholds are the single-precision factors, multiplied without
    // losing a digit of either number.
    const long double m = static_cast<long double>(maxScore());
    const long double s = static_cast<long double>(score);
    if (s >= m * static_cast<long double>(0.6f)) return 3;
    if (s >= m * static_cast<long double>(0.3f)) return 2;
    return 1;
}
