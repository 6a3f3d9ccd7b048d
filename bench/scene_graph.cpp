// The scene graph's per-frame work on the CPU: a tree of 500 drawing nodes
// in 20 groups visited and batched into a recording device that only
// counts, and 1,000 running actions stepped through a 1/60 s frame (two
// 1/120 s passes).

#include "render/Render.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/Easing.h"
#include "scene/SimpleActions.h"
#include "tests/support/QuadNode.h"
#include "tests/support/RecordingRender.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using vorn::Color;
using vorn::IntervalAction;
using vorn::Node;

std::shared_ptr<Node> makeTree() {
    auto root = std::make_shared<Node>();
    for (int g = 0; g < 20; ++g) {
        auto group = std::make_shared<Node>();
        group->setPosition(static_cast<float>(g % 5) * 200.0f, static_cast<float>(g / 5) * 190.0f);
        // Every fourth group turned, as boards and popups sometimes are.
        if (g % 4 == 3) group->setRotation(5.0f);
        root->addChild(group);
        for (int i = 0; i < 25; ++i) {
            auto quad = std::make_shared<vorn::test::QuadNode>(glm::vec2(30, 40), Color(1, 1, 1, 1));
            quad->setPosition(static_cast<float>(i % 5) * 36.0f, static_cast<float>(i / 5) * 36.0f);
            quad->setColor(Color(1.0f, 0.9f, 0.8f, 1.0f));
            if (i % 10 == 0) quad->setScale({1.1f, 1.1f});
            group->addChild(quad);
        }
    }
    return root;
}

void BM_VisitFiveHundredNodes(benchmark::State& state) {
    vorn::test::RecordingRender render;
    render.keepVertices = false;
    vorn::Render::setInstance(&render);
    const std::shared_ptr<Node> root = makeTree();
    root->visit(); // set-up and first matrices
    for (auto _ : state) {
        render.batches.clear();
        render.setMatrix(glm::mat4(1.0f));
        root->visit();
        render.flush();
        benchmark::DoNotOptimize(render.batches.data());
    }
    state.counters["batches"] = static_cast<double>(render.batches.size());
    vorn::Render::setInstance(nullptr);
}
BENCHMARK(BM_VisitFiveHundredNodes)->Unit(benchmark::kMicrosecond);

IntervalAction* swing(float dx) {
    IntervalAction* steps[] = {new vorn::MoveAction({dx, 0.0f}, 0.5f), new vorn::MoveAction({-dx, 0.0f}, 0.5f)};
    return new vorn::Sequence(steps, 2);
}

void BM_StepThousandActions(benchmark::State& state) {
    auto* manager = vorn::ActionManager::instance();
    std::vector<std::shared_ptr<Node>> nodes;
    for (int i = 0; i < 1000; ++i) {
        auto node = std::make_shared<Node>();
        IntervalAction* inner = nullptr;
        switch (i % 4) {
        case 0: inner = new vorn::MoveAction({10.0f, 5.0f}, 1.0f); break;
        case 1: inner = swing(20.0f); break;
        case 2: inner = new vorn::EasingAction(new vorn::ScaleAction({2.0f, 2.0f}, 0.7f), vorn::QuadraticEaseOut); break;
        default: inner = new vorn::RotateAction(90.0f, 2.0f); break;
        }
        node->runAction(new vorn::RepeatAction(inner));
        nodes.push_back(node);
    }
    for (auto _ : state) {
        manager->update(1.0f / 60.0f);
    }
    state.counters["actions"] = static_cast<double>(manager->size());
    for (const auto& node : nodes) manager->removeTarget(node.get());
}
BENCHMARK(BM_StepThousandActions)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
