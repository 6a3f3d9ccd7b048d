// A particle system of about 2,000 live particles per 1/60 s frame: a stream
// of 2,000 per second living one second each, turning, falling and pulled
// sideways, updated through the scheduler and drawn into a recording device
// that only counts. New particles replace the dying ones in every frame, so
// emission and removal are part of the figure.

#include "core/Scheduler.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "tests/support/RecordingRender.h"
#include "widgets/ParticleEmitter.h"
#include "widgets/ParticleSystem.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using vorn::ParticleSystem;

void BM_TwoThousandParticlesPerFrame(benchmark::State& state) {
    vorn::test::RecordingRender render;
    render.keepVertices = false;
    vorn::Render::setInstance(&render);

    auto root = std::make_shared<vorn::Node>();
    auto system = std::make_shared<ParticleSystem>();
    system->setImage(vorn::ImageData(glm::vec2(12.0f, 12.0f), vorn::Color()));
    system->setPosition(512.0f, 384.0f);
    system->setMidSize(1.5f);
    system->setMidColor(vorn::Color(1.0f, 0.6f, 0.2f, 1.0f));
    auto emitter = std::make_shared<ParticleSystem::Emitter>();
    emitter->setCount(2000.0f);
    emitter->setEnergyRange(1.0f, 1.0f);
    emitter->setVelocityRange(40.0f, 120.0f);
    emitter->setSpread(180.0f);
    emitter->setGravityRange(20.0f, 60.0f);
    emitter->setRadialRange(10.0f, 30.0f);
    emitter->setTangentialRange(-20.0f, 20.0f);
    emitter->setSpinRange(-180.0f, 180.0f);
    emitter->setArea(std::make_unique<ParticleSystem::Emitter::CircleArea>(40.0f));
    system->addChild(emitter);
    root->addChild(system);
    root->enterStage();

    constexpr float dt = 1.0f / 60.0f;
    auto* scheduler = vorn::Scheduler::instance();
    // Two seconds to reach the steady state.
    for (int i = 0; i < 120; ++i) scheduler->update(dt);
    root->visit();

    for (auto _ : state) {
        render.batches.clear();
        render.setMatrix(glm::mat4(1.0f));
        scheduler->update(dt);
        root->visit();
        render.flush();
        benchmark::DoNotOptimize(render.batches.data());
    }
    state.counters["live"] = static_cast<double>(system->getParticles().size());
    state.counters["batches"] = static_cast<double>(render.batches.size());
    root->exitStage();
    vorn::Render::setInstance(nullptr);
}
BENCHMARK(BM_TwoThousandParticlesPerFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
