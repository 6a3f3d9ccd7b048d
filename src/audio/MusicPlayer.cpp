#include "audio/MusicPlayer.h"

#include "audio/AudioEngine.h"
#include "core/Config.h"
#include "audio/MusicPlayerBASS.h"
#include "core/RandomSeed.h"
#include "core/ResourceManager.h"

#include <algorithm>
#include <random>
#include <vector>

namespace vorn {

namespace {

MusicPlayer* made = nullptr;
bool openAtNextUse = false;

} // namespace

MusicPlayer* MusicPlayer::instance() {
    static MusicPlayer* player = made = new MusicPlayerBASS();
    if (openAtNextUse) {
        openAtNextUse = false;
        AudioEngine::instance();
    }
    return player;
}

void MusicPlayer::resetForTests() {
    if (made == nullptr) return;
    made->stop();
    openAtNextUse = true;
}

void MusicPlayer::play(const std::string&, bool) {}

void MusicPlayer::stop() {}

void MusicPlayer::setVolume(float) {}

std::string MusicPlayer::resolveMusicFile(const std::string& name) {
    const Value& entry = Config::instance()->get("music." + name);
    std::string chosen;
    switch (entry.type()) {
    case Value::NIL: return {};
    case Value::STRING: chosen = entry.toString(); break;
    case Value::ARRAY: {
        std::vector<std::string> files;
        for (unsigned i = 0; i < entry.size(); ++i) files.push_back(entry.at(i).toString());
        if (files.empty()) return {};
        if (files.size() > 1) {
            std::mt19937 engine;
            if (const auto seed = fixedSeed(SeedUse::Music)) {
                engine.seed(*seed);
            } else {
                std::random_device device;
                engine.seed(device());
            }
            std::shuffle(files.begin(), files.end(), engine);
        }
        chosen = files.front();
        break;
    }
    default: chosen = name; break;
    }
    return ResourceManager::instance()->getPath("data/music/" + chosen + ".ogg");
}

} // namespace vorn
