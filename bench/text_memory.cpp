// Resident memory of a screen full of text, drawn for real through the
// Direct3D renderer on our OpenGL layer (under Xvfb in the scripts) on a
// large screen, where the shared glyph page is 4096 pixels square: thirty
// texts in four sizes, then new texts in other alphabets, so that the page
// is first uploaded whole and then updated piece by piece. The counters
// give the process's resident set before the texts exist and after.

#include "core/Data.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "render/RenderD3D.h"
#include "render/fonts/GlyphAtlas.h"
#include "scene/Text.h"

#include "platform/d3d9_hooks.h"
#include "platform/win32.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace vorn;

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0.0;
}

const char* const texts[] = {
    "Match the free tiles in pairs to clear the board.",
    "A tile is free when nothing lies on it and one side is open.",
    "Gold pairs score 250 points; bears leave when freed.",
    "Hints, undo and shuffles are bought with gold in the shop.",
    "Level 12 - Temple garden - 144 tiles - best 18,450",
};

const char* const others[] = {
    "\xCE\x91\xCE\xBB\xCF\x86\xCE\xB1 \xCE\x92\xCE\xAE\xCF\x84\xCE\xB1 \xCE\x93\xCE\xAC\xCE\xBC\xCE\xBC\xCE\xB1 "
    "\xCE\x94\xCE\xAD\xCE\xBB\xCF\x84\xCE\xB1 \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1",
    "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 \xD1\x8D\xD1\x82\xD0\xB8\xD1"
    "\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 \xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA",
    "\xC3\x80\xC3\xA9\xC3\xAE\xC3\xB5\xC3\xBC \xC3\xB1\xC3\xA7 \xC3\x9F \xC3\x86\xC3\x98\xC3\x85 \xC3\xBF\xC3\xBE",
};

void BM_TextHeavyScreenResidentMemory(benchmark::State& state) {
    Platform::instance()->setDesktopSizeForTesting({1920, 1080});
    setenv("VORN_HEADLESS", "1", 1);
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no display to draw on");
        return;
    }
    vornD3D9SetSwapInterval(0);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"VORNMEMORYBENCH";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, L"VORNMEMORYBENCH", L"text memory", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                                  nullptr, nullptr, nullptr, nullptr);
    auto render = std::make_unique<d3d::RenderD3D>();
    render->setWindow(window);
    Render::setInstance(render.get());
    if (!window || !render->setup()) {
        state.SkipWithError("no renderer");
        return;
    }
    render->resize(glm::vec2(1920, 1080));
    ResourceManager::instance()->setRender(render.get());

    auto frame = [&](Node& root) {
        render->beginFrame();
        render->clear(Color(0.0f, 0.0f, 0.0f, 1.0f));
        render->setViewport(Rect(240, 0, 1440, 1080));
        render->setProjection(topLeftOrtho(1024, 768));
        render->setMatrix(glm::mat4(1.0f));
        root.visit();
        render->endFrame();
    };

    std::string xml = "<container>";
    const float sizes[] = {16, 20, 24, 32};
    for (int i = 0; i < 30; ++i) {
        xml += "<text name=\"t" + std::to_string(i) + "\" x=\"" + std::to_string(20 + (i % 2) * 500) + "\" y=\"" +
               std::to_string(30 + (i / 2) * 48) + "\" w=\"480\" font=\"DejaVuSans-Bold.ttf\" font_size=\"" +
               std::to_string(sizes[i % 4]) + "\" outlineWidth=\"1\" text=\"" + texts[i % 5] + "\"/>";
    }
    xml += "</container>";
    const std::string path = (std::filesystem::temp_directory_path() / ("vorn-text-memory-" + std::to_string(getpid()) + ".xml")).string();
    if (!Data(xml.data(), static_cast<std::uint32_t>(xml.size())).writeFile(path)) {
        state.SkipWithError("can't write the screen's file");
        return;
    }

    auto empty = std::make_shared<Node>();
    frame(*empty);
    const double before = residentMegabytes();
    auto root = std::make_shared<Node>(path);
    std::filesystem::remove(path);
    root->enterStage();
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) frame(*root);
        int n = 0;
        for (const auto& child : root->children()) {
            if (auto text = std::dynamic_pointer_cast<Text>(child)) text->setText(others[n++ % 3]);
            frame(*root);
        }
        for (int i = 0; i < 10; ++i) frame(*root);
    }
    const double after = residentMegabytes();
    const auto stats = GlyphAtlas::instance()->stats();
    state.counters["resident_before_MB"] = before;
    state.counters["resident_after_MB"] = after;
    state.counters["growth_MB"] = after - before;
    state.counters["page_side"] = GlyphAtlas::instance()->side();
    state.counters["region_uploads"] = stats.regionUploads;

    root.reset();
    empty.reset();
    ResourceManager::instance()->setRender(nullptr);
    Render::setInstance(nullptr);
    render.reset();
    DestroyWindow(window);
}
BENCHMARK(BM_TextHeavyScreenResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
