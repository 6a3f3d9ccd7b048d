#pragma once

#include "mahjong/Level.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

// One level of the game: its tile layout plus the facts the level list
// gives for it (the score that counts as full marks and the artifact parts
// a win hands out). Made only by the level list, which checks the entry's
// keys and their kinds first.
class Level : public mahjong::Level {
public:
    // Reads the layout named by the entry's "filename".
    Level(const std::string& uid, const nlohmann::json& entry);
    ~Level() override;

    std::string uid() const { return uid_; }
    std::string filename() const;
    std::vector<std::string> artifacts() const;
    std::int64_t maxScore() const;
    // 1, 2 or 3: three from 60 % of the full marks, two from 30 %. Every
    // score, 0 included, is worth a star.
    int starsForScore(std::int64_t score) const;

    const nlohmann::json& entry() const { return entry_; }

private:
    std::string uid_;
    nlohmann::json entry_;
};
