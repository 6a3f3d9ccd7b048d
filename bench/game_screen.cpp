// One frame of the game screen with a full board of 144 tiles, standing
// still after the deal: the engine's whole update (scheduler, actions,
// events) and the draw of the screen into a recording device that only
// counts. Reports the draw calls (batches handed to the device) per frame,
// the textures they bind and, per reason, the flushes that ended a batch.

#include "app/Application.h"
#include "core/Config.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "mahjong/Board.h"
#include "render/Render.h"
#include "screens/GameScene.h"
#include "screens/Level.h"
#include "screens/LevelList.h"
#include "tests/support/RecordingRender.h"
#include "widgets/UiDefaults.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

namespace {

// A windowless application on a 1024 x 768 desktop, drawing into a
// recording device.
class BenchApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return "VornBench"; }
    void setup() override {}
};

struct Run {
    Run() {
        vorn::Platform::instance()->setDesktopSizeForTesting({1024.0f, 768.0f});
        vorn::Application::setInstance(&app);
        vorn::Render::setInstance(&render);
    }
    ~Run() {
        app.runScene(nullptr);
        vorn::Render::setInstance(nullptr);
        vorn::Application::setInstance(nullptr);
    }
    void step(float dt, int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            render.beginFrame();
            app.update(dt);
            render.endFrame();
        }
    }
    vorn::test::RecordingRender render;
    BenchApp app;
};

// Level 112 (144 tiles on six layers) dealt and standing; with pairs > 0
// that many pairs are taken first and their flights have landed, so the
// last pair shows beside the board.
void gameScreenFrame(benchmark::State& state, int pairs) {
    // The player's profile goes to a folder of the run's own.
    char folder[] = "/tmp/vorn-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    setenv("XDG_DATA_HOME", folder, 1);
    Run run;
    run.render.keepVertices = false;
    vorn::ResourceManager::instance()->setRender(&run.render);
    vorn::UiDefaults::instance()->setDefaultFont(vorn::ResourceManager::instance()->getFont("ubuntu.bold.ttf", 20.0f));
    vorn::Config::instance()->load();
    if (!vorn::UserManager::instance()->currentUser()) vorn::UserManager::instance()->addUser("Bench");
    auto game = std::make_shared<GameScene>(LevelList::instance()->find("112"));
    run.app.runScene(game, "appear");
    run.step(1.0f / 60.0f, 360);
    if (!game->board || game->board->tiles.size() != 144) {
        state.SkipWithError("the level did not deal 144 tiles");
        return;
    }
    for (int i = 0; i < pairs; ++i) {
        const auto moves = game->board->findMoves();
        if (moves.empty()) break;
        game->board->selected = moves.front().first;
        game->board->matchPair(moves.front().second);
    }
    run.step(1.0f / 60.0f, 240);
    run.render.resetFlushCounts();
    for (auto _ : state) {
        run.render.batches.clear();
        run.step(1.0f / 60.0f);
        benchmark::DoNotOptimize(run.render.batches.data());
    }
    std::set<const vorn::Texture*> textures;
    for (const auto& batch : run.render.batches) textures.insert(batch.texture.get());
    state.counters["drawCalls"] = static_cast<double>(run.render.batches.size());
    state.counters["textures"] = static_cast<double>(textures.size());
    state.counters["tiles"] = static_cast<double>(game->board->tiles.size());
    for (int i = 0; i < vorn::flushReasonCount; ++i) {
        const auto reason = static_cast<vorn::FlushReason>(i);
        state.counters[std::string("flush_") + vorn::flushReasonName(reason)] =
            benchmark::Counter(static_cast<double>(run.render.flushCount(reason)), benchmark::Counter::kAvgIterations);
    }
    run.app.runScene(nullptr);
}

void BM_GameScreenFrameFullBoard(benchmark::State& state) { gameScreenFrame(state, 0); }
BENCHMARK(BM_GameScreenFrameFullBoard)->Unit(benchmark::kMillisecond);

void BM_GameScreenFrameWithTheLastPair(benchmark::State& state) { gameScreenFrame(state, 1); }
BENCHMARK(BM_GameScreenFrameWithTheLastPair)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
