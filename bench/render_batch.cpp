// The batching renderer's CPU path: textured quads through a rotating
// matrix into the batch, flushed to a recording back end that only counts.

#include "render/VertexData.h"
#include "tests/support/RecordingRender.h"

#include <benchmark/benchmark.h>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

vorn::VertexData quad() {
    vorn::VertexData data;
    const float xs[] = {0, 32, 32, 0};
    const float ys[] = {0, 0, 32, 32};
    for (int i = 0; i < 4; ++i) {
        vorn::VertexData::Vertex v;
        v.x = xs[i];
        v.y = ys[i];
        v.a = 0.8f;
        v.u = xs[i] / 32.0f;
        v.v = ys[i] / 32.0f;
        data.vertices.push_back(v);
    }
    data.indices = {0, 1, 3, 3, 1, 2};
    return data;
}

// One sprite-like draw per quad: push, move, rotate, tint, draw, pop.
void BM_TexturedQuadsRotating(benchmark::State& state) {
    vorn::test::RecordingRender render;
    render.keepVertices = false;
    auto texture = std::make_shared<vorn::test::RecordingTexture>();
    const vorn::VertexData data = quad();
    const glm::mat4 step = glm::rotate(glm::mat4(1.0f), 0.01f, glm::vec3(0, 0, 1));
    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(512, 384, 0)));
    std::int64_t quads = 0;
    for (auto _ : state) {
        render.setTexture(texture);
        render.pushMatrix();
        render.multMatrix(step);
        render.pushColor();
        render.multiplyColor(vorn::Color(1.0f, 0.9f, 0.8f, 1.0f));
        render.drawVertexData(data);
        render.popColor();
        render.popMatrix();
        render.multMatrix(step);
        ++quads;
    }
    render.flush();
    state.SetItemsProcessed(quads);
    state.counters["draws_per_1k_quads"] =
        benchmark::Counter(1000.0 * static_cast<double>(render.batches.size()) / static_cast<double>(quads));
}
BENCHMARK(BM_TexturedQuadsRotating);

// The batch alone: one rotated matrix, quads appended back to back.
void BM_QuadsIntoBatch(benchmark::State& state) {
    vorn::test::RecordingRender render;
    render.keepVertices = false;
    auto texture = std::make_shared<vorn::test::RecordingTexture>();
    const vorn::VertexData data = quad();
    render.setMatrix(glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0, 0, 1)));
    render.setTexture(texture);
    std::int64_t quads = 0;
    for (auto _ : state) {
        render.drawVertexData(data);
        ++quads;
    }
    render.flush();
    state.SetItemsProcessed(quads);
    state.counters["draws_per_1k_quads"] =
        benchmark::Counter(1000.0 * static_cast<double>(render.batches.size()) / static_cast<double>(quads));
}
BENCHMARK(BM_QuadsIntoBatch);

} // namespace

BENCHMARK_MAIN();
