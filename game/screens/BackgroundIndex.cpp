#include "screens/BackgroundIndex.h"

#include "core/Log.h"

#include <nlohmann/json.hpp>

std::vector<std::string> readBackgroundIndex(const std::string& text, const char* source) {
    std::vector<std::string> names;
    const nlohmann::json list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array()) {
        vorn::log("Can't open or parse: %s [not an array of background names]", source);
        return names;
    }
    for (const nlohmann::json& name : list) {
        if (!name.is_string()) {
            vorn::log("%s: %s is no background name, skipped", source, name.dump().c_str());
            continue;
        }
        names.push_back(name.get<std::string>());
    }
    return names;
}
