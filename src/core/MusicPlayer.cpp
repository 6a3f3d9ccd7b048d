#include "core/MusicPlayer.h"

#include "core/Config.h"
#include "core/MusicPlayerBASS.h"
#include "core/RandomSeed.h"
#include "core/ResourceManager.h"

#include <algorithm>
#include <random>
#include <vector>

namespace vorn {

MusicPlayer* MusicPlayer::instance() {
    static MusicPlayer* player = new MusicPlayerBASS();
    return player;
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
            if (const auto seed = fixedSeed()) {
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
