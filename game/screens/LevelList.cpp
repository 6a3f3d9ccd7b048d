#include "screens/LevelList.h"

#include "core/Data.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "screens/Level.h"

#include <nlohmann/json.hpp>

#include <exception>

namespace {

LevelList* theList = nullptr;
bool readAtNextUse = false;

// The name of the first required key that is missing or of the wrong kind;
// "" when the entry is whole.
std::string faultyKey(const nlohmann::json& entry) {
    if (!entry.is_object()) return "entry";
    const auto filename = entry.find("filename");
    if (filename == entry.end() || !filename->is_string()) return "filename";
    const auto maxScore = entry.find("maxScore");
    if (maxScore == entry.end() || !maxScore->is_number_integer()) return "maxScore";
    const auto artifacts = entry.find("artifacts");
    if (artifacts == entry.end() || !artifacts->is_array()) return "artifacts";
    for (const auto& id : *artifacts) {
        if (!id.is_string()) return "artifacts";
    }
    return {};
}

// The selected player's best scores; null without a selected player.
vorn::Value* levelResults() {
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user) return nullptr;
    return &user->getOrCreate("levelResults", vorn::Value::DICT);
}

} // namespace

LevelList* LevelList::instance() {
    if (!theList || readAtNextUse) {
        if (!theList) theList = new LevelList();
        readAtNextUse = false;
        const char* path = "data/levels.json";
        const vorn::Data data = vorn::Data::readFile(path);
        theList->read(data.toString(), path);
    }
    return theList;
}

void LevelList::replaceForTesting(const std::string& jsonText) {
    if (!theList) theList = new LevelList();
    readAtNextUse = false;
    theList->read(jsonText, "test levels");
}

void LevelList::resetForTests() {
    if (!theList) return;
    theList->levels.clear();
    readAtNextUse = true;
}

void LevelList::read(const std::string& jsonText, const std::string& source) {
    levels.clear();
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(jsonText);
    } catch (const std::exception& e) {
        vorn::log("Can't open or parse: %s [%s]", source.c_str(), e.what());
        return;
    }
    if (root.is_null()) return;
    if (!root.is_object()) {
        vorn::log("%s: the level list is not an object; no levels", source.c_str());
        return;
    }
    for (const auto& [uid, entry] : root.items()) {
        const std::string fault = faultyKey(entry);
        if (!fault.empty()) {
            vorn::log("%s: level %s left out: \"%s\" missing or of the wrong kind", source.c_str(), uid.c_str(),
                      fault.c_str());
            continue;
        }
        auto level = std::make_shared<Level>(uid, entry);
        // An empty board would be won before the first click.
        if (level->places.empty()) {
            vorn::log("%s: level %s left out: its layout %s has no places", source.c_str(), uid.c_str(),
                      level->filename().c_str());
            continue;
        }
        levels[uid] = std::move(level);
    }
}

std::shared_ptr<Level> LevelList::find(const std::string& uid) const {
    const auto it = levels.find(uid);
    return it == levels.end() ? nullptr : it->second;
}

std::string LevelList::nextLevelUid() const {
    const vorn::Value* results = levelResults();
    for (int i = 1; i <= progressionLevels; ++i) {
        const std::string uid = std::to_string(i);
        if (!results || results->get(uid).isNil()) return uid;
    }
    return {};
}

int LevelList::totalStars() const {
    const vorn::Value* results = levelResults();
    if (!results) return 0;
    int stars = 0;
    for (int i = 1; i <= progressionLevels; ++i) {
        const std::string uid = std::to_string(i);
        const vorn::Value& score = results->get(uid);
        if (score.isNil()) continue;
        // A result for a level this data set does not have cannot be rated.
        const std::shared_ptr<Level> level = find(uid);
        if (!level) continue;
        try {
            stars += level->starsForScore(score.asLongLong());
        } catch (const std::exception& e) {
            vorn::log("levelResults %s is no score (%s); not counted", uid.c_str(), e.what());
        }
    }
    return stars;
}
