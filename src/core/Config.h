#pragma once

#include "core/Value.h"

#include <string>

namespace vorn {

// The game's tunable numbers and tables from "data/config.plist", read once
// on first use and looked up by dotted path ("rewards.win").
class Config {
public:
    static Config* instance();

    // Reads the file found through the search paths; a missing or unreadable
    // file leaves the configuration NIL, so every look-up gives NIL.
    void load();

    // The value at a dotted path; the shared NIL when a key is missing. A
    // value that is not a dictionary ends the walk and is itself returned,
    // so "a.b" where a holds 5 gives 5. Keys containing a dot cannot be
    // reached.
    const Value& get(const std::string& path) const;
    // The same walk through any value.
    static const Value& get(const Value& root, const std::string& path);

    const Value& value() const { return root_; }

    // For tests: the configuration is read again at its next use, as on
    // the first (the working directory and search paths may differ by then).
    static void resetForTests();

private:
    Config() = default;

    Value root_;
};

} // namespace vorn
