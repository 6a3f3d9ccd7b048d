#include "screens/ArtifactManager.h"

#include "services/AchievementManager.h"
#include "core/Data.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/StringUtils.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/Value.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <limits>
#include <new>

namespace {

constexpr const char* kPartTable = "data/artifact_parts.json";

constexpr std::array<const char*, 9> kPlaceNames = {"provence", "marseille", "cannes",    "venice", "rome",
                                                    "naples",   "athens",    "santorini", "crete"};

vorn::User* selectedUser() { return vorn::UserManager::instance()->currentUser(); }

vorn::Value idArray(const std::set<std::string>& ids) {
    vorn::Value array(vorn::Value::ARRAY);
    for (const std::string& id : ids) array.push_back(vorn::Value(id));
    return array;
}

// The ids of one list of the record; entries that are not text are dropped
// with a log line rather than read as something they never were.
void readIds(vorn::User& user, const char* key, std::set<std::string>& into) {
    vorn::Value& list = user.getOrCreate(key, vorn::Value::ARRAY);
    for (unsigned i = 0; i < list.size(); ++i) {
        const vorn::Value& entry = list.at(i);
        if (entry.type() == vorn::Value::STRING || entry.type() == vorn::Value::INTEGER) {
            into.insert(entry.toString());
        } else {
            vorn::log("ArtifactManager: entry %u of \"%s\" is not a part id, ignored", i, key);
        }
    }
}

} // namespace

namespace {

ArtifactManager* made = nullptr;
bool remakeAtNextUse = false;

} // namespace

ArtifactManager* ArtifactManager::instance() {
    static ArtifactManager* manager = made = new ArtifactManager();
    if (remakeAtNextUse) {
        remakeAtNextUse = false;
        manager->~ArtifactManager();
        new (manager) ArtifactManager();
    }
    return manager;
}

void ArtifactManager::resetForTests() { remakeAtNextUse = made != nullptr; }

ArtifactManager::ArtifactManager() { readPartTable(kPartTable); }

ArtifactManager::~ArtifactManager() { vorn::EventDispatcher::instance()->removeSource(this); }

int ArtifactManager::placeOfPart(const std::string& id) {
    const std::string head = id.substr(0, id.find('/'));
    std::size_t i = 0;
    while (i < head.size() && std::isspace(static_cast<unsigned char>(head[i]))) ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == '+' || head[i] == '-')) negative = head[i++] == '-';
    long long value = 0;
    for (; i < head.size() && std::isdigit(static_cast<unsigned char>(head[i])); ++i) {
        // Saturates: a run of digits too long for an int is no place anyway.
        if (value <= INT_MAX) value = value * 10 + (head[i] - '0');
    }
    if (value > INT_MAX) value = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

std::string ArtifactManager::groupOfPart(const std::string& id) {
    const std::vector<std::string> pieces = vorn::split(id, "-");
    // An id without a "-" names no artifact of its own; it stands for itself.
    if (pieces.size() < 2) return id;
    return pieces[0] + "-" + pieces[1];
}

std::string ArtifactManager::placeName(int place) {
    if (place < 1 || place > static_cast<int>(kPlaceNames.size())) return "";
    return kPlaceNames[static_cast<std::size_t>(place - 1)];
}

void ArtifactManager::readPartTable(const std::string& path) {
    parts_.clear();
    const vorn::Data data = vorn::Data::readFile(path);
    if (data.empty()) return;
    const auto* bytes = reinterpret_cast<const char*>(data.data());
    const nlohmann::json root = nlohmann::json::parse(bytes, bytes + data.size(), nullptr, false);
    if (!root.is_object()) {
        vorn::log("Can't open or parse: %s [%s]", path.c_str(), root.is_discarded() ? "not JSON" : "not an object");
        return;
    }
    for (const auto& [id, entry] : root.items()) {
        const int place = placeOfPart(id);
        const bool wellFormed = entry.is_object() && entry.contains("x") && entry.contains("y") &&
                                entry["x"].is_number() && entry["y"].is_number();
        if (!wellFormed || place < 1 || id.find('-') == std::string::npos) {
            vorn::log(
                "ArtifactManager: part \"%s\" of %s skipped: it needs a place number, a \"-\" and numbers x and y",
                id.c_str(), path.c_str());
            continue;
        }
        constexpr double kThird = 1.0 / 3.0;
        PartInfo info;
        info.id = id;
        info.group = groupOfPart(id);
        info.place = place;
        info.x = static_cast<float>(entry["x"].get<double>() * kThird);
        info.y = static_cast<float>(entry["y"].get<double>() * kThird);
        parts_[id] = info;
    }
}

glm::vec2 ArtifactManager::partPosition(const std::string& id) const {
    const auto it = parts_.find(id);
    if (it == parts_.end()) return {0.0f, 0.0f};
    return {it->second.x, it->second.y};
}

bool ArtifactManager::isCollected(const std::string& id) {
    ensureLoaded();
    return collected_.contains(id);
}

bool ArtifactManager::isPlaced(const std::string& id) {
    ensureLoaded();
    return placed_.contains(id);
}

bool ArtifactManager::isGroupPlaced(const std::string& group) const {
    for (const auto& [id, info] : parts_) {
        if (info.group == group && !placed_.contains(id)) return false;
    }
    return true;
}

bool ArtifactManager::isPlaceComplete(int place) const {
    for (const auto& [id, info] : parts_) {
        if (info.place == place && !placed_.contains(id)) return false;
    }
    return true;
}

int ArtifactManager::firstIncompletePlace() const {
    // Places without parts count as complete, so only the places that hold
    // parts are looked at: an id with a huge place number costs nothing.
    int highest = 0;
    int firstIncomplete = INT_MAX;
    for (const auto& [id, info] : parts_) {
        highest = std::max(highest, info.place);
        if (!placed_.contains(id)) firstIncomplete = std::min(firstIncomplete, info.place);
    }
    return firstIncomplete == INT_MAX ? highest : firstIncomplete;
}

float ArtifactManager::placeProgress(int place) const {
    int all = 0;
    int placed = 0;
    for (const auto& [id, info] : parts_) {
        if (info.place != place) continue;
        ++all;
        if (placed_.contains(id)) ++placed;
    }
    if (all == 0) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(placed) / static_cast<float>(all);
}

const std::set<std::string>& ArtifactManager::collectedParts() {
    ensureLoaded();
    return collected_;
}

const std::set<std::string>& ArtifactManager::placedParts() {
    ensureLoaded();
    return placed_;
}

void ArtifactManager::ensureLoaded() {
    vorn::User* user = selectedUser();
    if (!reload_ && user == owner_) return;
    if (changed_ && user != owner_)
        vorn::log("ArtifactManager: the player changed, unsaved parts of the last one dropped");
    changed_ = false;
    load();
}

void ArtifactManager::load() {
    collected_.clear();
    placed_.clear();
    vorn::User* user = selectedUser();
    owner_ = user;
    if (user == nullptr) {
        // Read again as soon as someone is selected.
        reload_ = true;
        return;
    }
    readIds(*user, "collectedParts", collected_);
    readIds(*user, "placedParts", placed_);
    // A part listed as both was placed; offering it again could never succeed.
    for (const std::string& id : placed_) collected_.erase(id);
    reload_ = false;
}

void ArtifactManager::save() {
    ensureLoaded();
    vorn::User* user = selectedUser();
    if (user == nullptr) return;
    user->setValue(idArray(collected_), "collectedParts");
    user->setValue(idArray(placed_), "placedParts");
    changed_ = false;
}

void ArtifactManager::saveIfChanged() {
    if (changed_) save();
}

void ArtifactManager::publishCounts() {
    reload_ = true;
    changed_ = false;
    load();
    vorn::DataSource::get("collectedPartsAvailable")->set(vorn::Value(!collected_.empty()));
    vorn::DataSource::get("collectedPartsCount")->set(vorn::Value(static_cast<long long>(collected_.size())));
}

bool ArtifactManager::collectPart(const std::string& id) {
    ensureLoaded();
    if (owner_ == nullptr) {
        vorn::log("ArtifactManager::collectPart %s: no player selected", id.c_str());
        return false;
    }
    if (placed_.contains(id) && !collected_.contains(id)) return false;
    collected_.insert(id);
    changed_ = true;
    return true;
}

bool ArtifactManager::placePart(const std::string& id) {
    ensureLoaded();
    if (!parts_.contains(id) || !collected_.contains(id) || placed_.contains(id)) return false;
    collected_.erase(id);
    placed_.insert(id);
    changed_ = true;
    vorn::EventDispatcher::instance()->post(new ArtifactPlacedEvent(this, id));

    const int place = parts_.at(id).place;
    const std::string name = placeName(place);
    const float progress = placeProgress(place);
    vorn::AchievementManager::instance()->achievement(name).setCompletion(progress * 100.0f);
    if (progress >= 1.0f && placeComplete_) {
        // A copy: the callback may replace itself.
        const PlaceCompleteCallback callback = placeComplete_;
        callback(place, name);
    }
    return true;
}

void ArtifactManager::unplaceAll() {
    ensureLoaded();
    for (const std::string& id : placed_) collected_.insert(id);
    placed_.clear();
    changed_ = true;
}
