// A text node's cost per frame: a wrapped, outlined paragraph of about 200
// characters in the game's TrueType font, laid out once and then drawn
// every frame into a recording device that only counts. Drawing an
// unchanged text should cost its quads alone: the "font_calls" counter
// shows the layout work done per frame (none), and the last benchmark
// draws the same quads straight from their cache for comparison.

#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/Render.h"
#include "render/fonts/Font.h"
#include "scene/Text.h"
#include "tests/support/RecordingRender.h"

#include <benchmark/benchmark.h>
#include <glm/gtc/matrix_transform.hpp>

#include <memory>
#include <string>

namespace {

using namespace vorn;

const std::string paragraph =
    "Match the free tiles in pairs to clear the board. A tile is free when nothing lies on it and its left or "
    "right side is open. Gold pairs score 250 points; use hints, undo and shuffles with care!";

// Passes every call on to the real font and counts the layout work.
class CountingFont : public Font {
public:
    explicit CountingFont(std::shared_ptr<Font> inner) : inner_(std::move(inner)) {}
    void prepareTextures() override { inner_->prepareTextures(); }
    void drawSpaced(const glm::vec3& p, const std::string& t, float e) override { inner_->drawSpaced(p, t, e); }
    std::shared_ptr<DrawData> buildDrawData(const glm::vec3& p, const std::string& t, float e) override {
        ++calls;
        return inner_->buildDrawData(p, t, e);
    }
    glm::vec2 measure(const std::string& t) override {
        ++calls;
        return inner_->measure(t);
    }
    std::string filterText(const std::string& t) override { return inner_->filterText(t); }
    float lineHeight() override { return inner_->lineHeight(); }
    float base() override { return inner_->base(); }

    long calls = 0;

private:
    std::shared_ptr<Font> inner_;
};

struct Stage {
    Stage() {
        Platform::instance()->setDesktopSizeForTesting({1024, 768});
        render.keepVertices = false;
        Render::setInstance(&render);
        ResourceManager::instance()->setRender(&render);
        font = std::make_shared<CountingFont>(ResourceManager::instance()->getFont("DejaVuSans-Bold.ttf", 20.0f));
        root = std::make_shared<Node>();
        text = std::make_shared<Text>();
        text->setProperties({{"w", Value("400")}, {"outlineWidth", Value("1.5")}, {"outlineColor", Value("203040")},
                             {"align", Value("width")}, {"text", Value(paragraph)}});
        text->setFont(font);
        text->setPosition(20, 20);
        root->addChild(text);
        root->enterStage();
    }
    ~Stage() {
        Render::setInstance(nullptr);
        ResourceManager::instance()->setRender(nullptr);
    }

    std::size_t frame() {
        render.batches.clear();
        render.setMatrix(glm::mat4(1.0f));
        root->visit();
        render.flush();
        std::size_t vertices = 0;
        for (const auto& batch : render.batches) vertices += batch.vertexCount;
        return vertices / 4;
    }

    test::RecordingRender render;
    std::shared_ptr<CountingFont> font;
    std::shared_ptr<Node> root;
    std::shared_ptr<Text> text;
};

void BM_TextDrawUnchanged(benchmark::State& state) {
    Stage stage;
    std::size_t quads = stage.frame(); // the one layout and glyph build
    const long callsBefore = stage.font->calls;
    for (auto _ : state) {
        quads = stage.frame();
        benchmark::DoNotOptimize(quads);
    }
    state.counters["quads"] = static_cast<double>(quads);
    state.counters["lines"] = static_cast<double>(stage.text->getLines().size());
    state.counters["font_calls"] = benchmark::Counter(static_cast<double>(stage.font->calls - callsBefore),
                                                      benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TextDrawUnchanged)->Unit(benchmark::kMicrosecond);

// For comparison: a new text every frame, laid out, built and drawn.
void BM_TextChangedEveryFrame(benchmark::State& state) {
    Stage stage;
    stage.frame();
    const long callsBefore = stage.font->calls;
    bool flip = false;
    for (auto _ : state) {
        stage.text->setText(flip ? paragraph : paragraph + "!");
        flip = !flip;
        benchmark::DoNotOptimize(stage.frame());
    }
    state.counters["font_calls"] = benchmark::Counter(static_cast<double>(stage.font->calls - callsBefore),
                                                      benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TextChangedEveryFrame)->Unit(benchmark::kMicrosecond);

// The floor: the node's cached quads drawn as the node draws them (eight
// outline copies in the outline's colour around the glyphs) straight into
// the device, with no node around them.
void BM_CachedQuadsAlone(benchmark::State& state) {
    Stage stage;
    stage.frame();
    const std::shared_ptr<DrawData> quads = stage.text->getDrawData();
    Render& render = stage.render;
    const float w = 1.5f;
    const float offsets[8][2] = {{w, 0}, {0, w}, {-w, 0}, {0, -w}, {w, w}, {-w, w}, {-w, -w}, {w, -w}};
    for (auto _ : state) {
        stage.render.batches.clear();
        render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(20.0f, 20.0f, 0.0f)));
        render.pushColor();
        render.multiplyColor(Color("203040"));
        for (const auto& o : offsets) {
            render.pushMatrix();
            render.multMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(o[0], o[1], 0.0f)));
            quads->draw();
            render.popMatrix();
        }
        render.popColor();
        quads->draw();
        render.flush();
        benchmark::DoNotOptimize(stage.render.batches.data());
    }
}
BENCHMARK(BM_CachedQuadsAlone)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
