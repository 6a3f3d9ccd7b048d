// TrueType text: laying out and drawing a paragraph whose glyphs are all in
// the atlas already, and adding new glyphs to the atlas.
//
// With a display (under Xvfb in the scripts) the text goes through the
// Direct3D renderer on our OpenGL layer, so the cost of updating the atlas
// texture is included; without one it goes to a recording renderer, and the
// atlas updates cost a copy of the page instead (see the "page_uploads"
// counter).

#include "core/Data.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/RenderD3D.h"
#include "render/fonts/GlyphAtlas.h"
#include "render/fonts/TTFFont.h"
#include "render/fonts/Utf8.h"
#include "tests/support/RecordingRender.h"

#include "platform/d3d9_hooks.h"
#include "platform/win32.h"

#include <benchmark/benchmark.h>
#include <stb/stb_truetype.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace vorn;

constexpr const char* gameFont = "data/fonts/DejaVuSans-Bold.ttf";

// About 200 characters of ordinary text.
const std::string paragraph =
    "Match the free tiles in pairs to clear the board. A tile is free when nothing lies on it and its left or "
    "right side is open. Gold pairs score 250 points; use hints, undo and shuffles with care!";

struct Renderer {
    Renderer() {
        Platform::instance()->setDesktopSizeForTesting({1024, 768});
        setenv("VORN_HEADLESS", "1", 1);
        if (std::getenv("DISPLAY")) {
            vornD3D9SetSwapInterval(0);
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = DefWindowProcW;
            wc.lpszClassName = L"VORNBENCHCLASS";
            RegisterClassExW(&wc);
            window = CreateWindowExW(0, L"VORNBENCHCLASS", L"ttf bench", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                                     nullptr, nullptr, nullptr, nullptr);
        }
        if (window) {
            auto d3d = std::make_unique<d3d::RenderD3D>();
            d3d->setWindow(window);
            Render::setInstance(d3d.get());
            if (d3d->setup()) {
                d3d->resize(glm::vec2(320, 240));
                device = std::move(d3d);
                render = device.get();
            }
        }
        if (!render) {
            recording = std::make_unique<test::RecordingRender>();
            recording->keepVertices = false;
            render = recording.get();
        }
        Render::setInstance(render);
        ResourceManager::instance()->setRender(render);
    }

    HWND window = nullptr;
    std::unique_ptr<d3d::RenderD3D> device;
    std::unique_ptr<test::RecordingRender> recording;
    Render* render = nullptr;
};

Renderer& renderer() {
    static Renderer instance;
    return instance;
}

void BM_LayOutAndDrawParagraph(benchmark::State& state) {
    Render* render = renderer().render;
    TTFFont font(gameFont, 20.0f, 1.0f);
    font.buildDrawData({0, 0, 0}, paragraph, 0.0f);
    const auto uploadsBefore = GlyphAtlas::instance()->stats().bytesUploaded;
    render->beginFrame();
    for (auto _ : state) {
        const auto data = font.buildDrawData({10, 30, 0}, paragraph, 0.0f);
        data->draw();
        render->flush();
        benchmark::DoNotOptimize(data.get());
    }
    render->endFrame();
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paragraph.size()));
    state.counters["bytes_uploaded"] =
        static_cast<double>(GlyphAtlas::instance()->stats().bytesUploaded - uploadsBefore);
    state.SetLabel(renderer().device ? "Direct3D on OpenGL" : "recording renderer");
}
BENCHMARK(BM_LayOutAndDrawParagraph)->Unit(benchmark::kMicrosecond);

void BM_LayOutParagraph(benchmark::State& state) {
    renderer();
    TTFFont font(gameFont, 20.0f, 1.0f);
    font.buildDrawData({0, 0, 0}, paragraph, 0.0f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(font.buildDrawData({10, 30, 0}, paragraph, 0.0f));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paragraph.size()));
}
BENCHMARK(BM_LayOutParagraph)->Unit(benchmark::kMicrosecond);

// Each pass adds 100 characters the font has not rendered yet (Latin,
// Greek, Cyrillic and symbols), rendering them into the page and updating
// its texture. The pass count is fixed so that the page never runs full.
void BM_Add100Glyphs(benchmark::State& state) {
    renderer();
    TTFFont font(gameFont, 20.0f, 1.0f);
    font.prepareTextures();
    const Data bytes = Data::readFile(gameFont);
    stbtt_fontinfo info{};
    stbtt_InitFont(&info, bytes.data(), 0);
    std::u32string fresh;
    for (char32_t c = 0xA1; c < 0x3000 && fresh.size() < 100 * 45; ++c) {
        if (!font.findGlyph(c) && stbtt_FindGlyphIndex(&info, static_cast<int>(c)) != 0) {
            fresh += c;
        }
    }
    const auto before = GlyphAtlas::instance()->stats();
    std::size_t next = 0;
    for (auto _ : state) {
        font.addGlyphs(fresh.substr(next, 100));
        next += 100;
    }
    const auto after = GlyphAtlas::instance()->stats();
    state.SetItemsProcessed(state.iterations() * 100);
    state.counters["bytes_uploaded_per_pass"] = benchmark::Counter(
        static_cast<double>(after.bytesUploaded - before.bytesUploaded), benchmark::Counter::kAvgIterations);
    state.counters["page_uploads"] = after.pageUploads - before.pageUploads;
    state.counters["region_uploads"] = after.regionUploads - before.regionUploads;
    state.counters["dropped"] = after.glyphsDropped - before.glyphsDropped;
    state.SetLabel(renderer().device ? "Direct3D on OpenGL" : "recording renderer");
}
BENCHMARK(BM_Add100Glyphs)->Iterations(40)->Unit(benchmark::kMicrosecond);

// The CPU half of the above alone: rendering and packing 100 glyphs into a
// page of its own, with no texture to update.
void BM_Pack100Glyphs(benchmark::State& state) {
    const Data bytes = Data::readFile(gameFont);
    stbtt_fontinfo info{};
    stbtt_InitFont(&info, bytes.data(), 0);
    std::u32string fresh;
    for (char32_t c = 0xA1; c < 0x3000 && fresh.size() < 100 * 45; ++c) {
        if (stbtt_FindGlyphIndex(&info, static_cast<int>(c)) != 0) {
            fresh += c;
        }
    }
    GlyphAtlas atlas(2048);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(atlas.packGlyphs(bytes, 20.0f, 1.0f, fresh.substr(next, 100)));
        next += 100;
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_Pack100Glyphs)->Iterations(40)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
