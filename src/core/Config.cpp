#include "core/Config.h"

#include "core/ResourceManager.h"
#include "core/StringUtils.h"

namespace vorn {

namespace {

Config* made = nullptr;
bool readAtNextUse = false;

} // namespace

Config* Config::instance() {
    static Config* config = [] {
        auto* c = made = new Config();
        c->load();
        return c;
    }();
    if (readAtNextUse) {
        readAtNextUse = false;
        config->load();
    }
    return config;
}

void Config::resetForTests() {
    if (made == nullptr) return;
    made->root_ = Value();
    readAtNextUse = true;
}

void Config::load() {
    root_ = Value::fromPlistFile(ResourceManager::instance()->getPath("data/config.plist"));
}

const Value& Config::get(const std::string& path) const { return get(root_, path); }

const Value& Config::get(const Value& root, const std::string& path) {
    const Value* current = &root;
    for (const std::string& key : split(path, ".")) {
        if (current->type() == Value::DICT) current = &current->get(key);
    }
    return *current;
}

} // namespace vorn
