// The game run until a moment of its start, or through a level, then
// ended, so that time and memory can be measured from outside:
//   start_time --first-frame     ends once the first frame is on screen
//   start_time --map [SECONDS]   ends once the map is on screen, every
//                                resource of the preload list loaded, or
//                                that long after (memory on the map)
//   start_time --play LEVEL      goes from the map into the level and takes
//                                a pair every eighth of a second until it is
//                                cleared or stuck, then ends (peak memory)
//   start_time --idle SECONDS    goes from the map into level 112, lets the
//                                board settle, then stands still for that
//                                long and prints the CPU time it took
// For --map the per-user folder must hold a player, or the new player's
// popup waits for a name; --play and --idle make one when there is none.
// Compare --first-frame with the bare program, idle_frame_bare --frames 1,
// and --idle with idle_frame_bare --seconds SECONDS.
#include "app/MainLoop.h"
#include "core/ResourceManager.h"
#include "mahjong/Board.h"
#include "screens/GameScene.h"
#include "screens/LevelList.h"
#include "screens/MahjongApp.h"
#include "screens/MapScene.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

enum class Until { FirstFrame, Map, Play, Idle };

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class TimedApp : public MahjongApp {
public:
    TimedApp(Until until, std::string level, double seconds)
        : until_(until), level_(std::move(level)), seconds_(seconds) {}

    // The run loop presents the frame of this update before it sees the quit.
    void update(float dt) override {
        MahjongApp::update(dt);
        switch (until_) {
        case Until::FirstFrame:
            quit();
            return;
        case Until::Map:
            if (!std::dynamic_pointer_cast<MapScene>(runningScene())) return;
            if (!onMap_) {
                onMap_ = true;
                entered_ = clock::now();
            }
            if (std::chrono::duration<double>(clock::now() - entered_).count() >= seconds_) quit();
            return;
        case Until::Play:
        case Until::Idle:
            inLevel();
            return;
        }
    }

private:
    using clock = std::chrono::steady_clock;

    void inLevel() {
        if (!game_) {
            if (!std::dynamic_pointer_cast<MapScene>(runningScene())) return;
            const auto level = LevelList::instance()->find(level_);
            if (!level) {
                std::fprintf(stderr, "no level %s\n", level_.c_str());
                setExitStatus(1);
                quit();
                return;
            }
            game_ = std::make_shared<GameScene>(level);
            runScene(game_, "appear");
            entered_ = clock::now();
            return;
        }
        ++frames_;
        // The deal and the screen's own entrance are over by then.
        const double settled = 6.0;
        const double since = std::chrono::duration<double>(clock::now() - entered_).count();
        if (since < settled) return;
        if (until_ == Until::Idle) {
            if (idleFrames_ < 0) {
                idleFrames_ = 0;
                idleCpu_ = cpuSeconds();
                idleStart_ = clock::now();
                return;
            }
            ++idleFrames_;
            const double idle = std::chrono::duration<double>(clock::now() - idleStart_).count();
            if (idle < seconds_) return;
            const double cpu = cpuSeconds() - idleCpu_;
            std::printf("idle: %.3f s CPU over %.2f s, %ld frames (%.1f per second), %.1f ms CPU per second\n", cpu,
                        idle, idleFrames_, static_cast<double>(idleFrames_) / idle, 1000.0 * cpu / idle);
            std::fflush(stdout);
            quit();
            return;
        }
        // A pair about every eighth of a second, however fast the frames come.
        if (since < nextPair_) return;
        nextPair_ = since + 0.125;
        const auto& board = game_->board;
        const auto moves = board ? board->findMoves() : std::vector<mahjong::Board::Move>{};
        if (moves.empty() || since > 60.0) {
            std::printf("play: %zu tiles left after %.1f s\n", board ? board->tiles.size() : 0, since);
            std::fflush(stdout);
            quit();
            return;
        }
        board->selected = moves.front().first;
        board->matchPair(moves.front().second);
    }

    Until until_;
    std::string level_;
    double seconds_;
    std::shared_ptr<GameScene> game_;
    clock::time_point entered_;
    bool onMap_ = false;
    long frames_ = 0;
    double nextPair_ = 0.0;
    long idleFrames_ = -1;
    double idleCpu_ = 0.0;
    clock::time_point idleStart_;
};

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s --first-frame | --map [SECONDS] | --play LEVEL | --idle SECONDS\n", program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage(argv[0]);
    Until until = Until::FirstFrame;
    std::string level = "112";
    double seconds = 0.0;
    if (argc == 2 && std::strcmp(argv[1], "--first-frame") == 0) {
        until = Until::FirstFrame;
    } else if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "--map") == 0) {
        until = Until::Map;
        if (argc == 3) {
            char* end = nullptr;
            seconds = std::strtod(argv[2], &end);
            if (end == argv[2] || *end || !(seconds >= 0.0)) return usage(argv[0]);
        }
    } else if (argc == 3 && std::strcmp(argv[1], "--play") == 0) {
        until = Until::Play;
        level = argv[2];
    } else if (argc == 3 && std::strcmp(argv[1], "--idle") == 0) {
        until = Until::Idle;
        char* end = nullptr;
        seconds = std::strtod(argv[2], &end);
        if (end == argv[2] || *end || !(seconds >= 0.0)) return usage(argv[0]);
    } else {
        return usage(argv[0]);
    }
    // As the game's own start, but a player of its own where it needs one.
    multiUser = until == Until::FirstFrame || until == Until::Map;
    auto* app = new TimedApp(until, level, seconds);
    vorn::ResourceManager::instance()->addSearchPath("data_variants/portals");
    return vorn::runMainLoop(app);
}
