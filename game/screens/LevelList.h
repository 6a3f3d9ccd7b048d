#pragma once

#include <map>
#include <memory>
#include <string>

class Level;

// Every level of "data/levels.json", by uid in byte order ("1" < "10" <
// "2"), and the selected player's progress through levels "1" to "144":
// the next level to play and the stars won so far. A player's best score
// per level is kept in the profile's "levelResults".
class LevelList {
public:
    // The uids the progression counts run over: "1" up to this.
    static constexpr int progressionLevels = 144;

    // Built from "data/levels.json" on first use.
    static LevelList* instance();
    // Rebuilds the list from the given text, for tests that need a list of
    // their own.
    static void replaceForTesting(const std::string& jsonText);
    // For tests: "data/levels.json" is read again at the next instance(),
    // from the working directory of that moment.
    static void resetForTests();

    LevelList() = default;
    LevelList(const LevelList&) = delete;
    LevelList& operator=(const LevelList&) = delete;

    // Replaces the levels with those of a levels.json text. A text that is
    // no JSON object gives no levels; an entry that lacks "filename",
    // "maxScore" or "artifacts", holds one of the wrong kind, or names a
    // layout without places is left out. Each with a log line naming it.
    void read(const std::string& jsonText, const std::string& source);

    std::shared_ptr<Level> find(const std::string& uid) const;
    // The first of "1" .. "144" the selected player has no result for; ""
    // when every one has one.
    std::string nextLevelUid() const;
    // The stars of the selected player's results for "1" .. "144".
    int totalStars() const;

    bool empty() const { return levels.empty(); }

    std::map<std::string, std::shared_ptr<Level>> levels;
};
