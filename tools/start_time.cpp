// The game run until a moment of its start, then ended, so that the time
// from the process start to that moment can be measured from outside:
//   start_time --first-frame   ends once the first frame is on screen
//   start_time --map           ends once the map is on screen, every
//                              resource of the preload list loaded
// For --map the per-user folder must hold a player, or the new player's
// popup waits for a name. Compare --first-frame with the bare program:
//   idle_frame_bare --frames 1
#include "core/MainLoop.h"
#include "core/ResourceManager.h"
#include "screens/MahjongApp.h"
#include "screens/MapScene.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

class TimedApp : public MahjongApp {
public:
    explicit TimedApp(bool untilMap) : untilMap_(untilMap) {}

    // The run loop presents the frame of this update before it sees the quit.
    void update(float dt) override {
        MahjongApp::update(dt);
        if (!untilMap_ || std::dynamic_pointer_cast<MapScene>(runningScene())) quit();
    }

private:
    bool untilMap_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "--first-frame") != 0 && std::strcmp(argv[1], "--map") != 0)) {
        std::fprintf(stderr, "usage: %s --first-frame | --map\n", argv[0]);
        return 2;
    }
    multiUser = true;
    auto* app = new TimedApp(std::strcmp(argv[1], "--map") == 0);
    vorn::ResourceManager::instance()->addSearchPath("data_variants/portals");
    return vorn::runMainLoop(app);
}
