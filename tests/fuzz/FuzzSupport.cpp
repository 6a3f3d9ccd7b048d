#include "FuzzSupport.h"

#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vorn::fuzz {

namespace {

// Made once and removed at exit, with everything written into it.
test::TempDir* folder = nullptr;

void removeScratch() {
    delete folder;
    folder = nullptr;
}

} // namespace

void setUp() {
    if (folder) return;
    folder = new test::TempDir();
    std::atexit(removeScratch);
    const std::string data = folder->file("data-home");
    std::filesystem::create_directories(data);
    setenv("HOME", folder->path().c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The HTTP target talks to a server of its own on 127.0.0.1 only.
    setenv("no_proxy", "127.0.0.1", 1);
}

const std::string& scratch() {
    setUp();
    static const std::string path = folder->path().string();
    return path;
}

std::string writeScratch(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = scratch() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

Run::Run() {
    Platform::instance()->setDesktopSizeForTesting({1024.0f, 768.0f});
    Application::setInstance(&app);
    Render::setInstance(&render);
    ResourceManager::instance()->setRender(&render);
}

Run::~Run() {
    app.runScene(nullptr);
    ResourceManager::instance()->setRender(nullptr);
    Render::setInstance(nullptr);
    Application::setInstance(nullptr);
    Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
}

Run& sharedRun() {
    static Run* const run = new Run();
    return *run;
}

void Run::step(float dt, int frames) {
    for (int i = 0; i < frames; ++i) {
        render.beginFrame();
        app.update(dt);
        render.endFrame();
        // What the frames recorded is of no interest and would only grow.
        render.batches.clear();
        render.clears.clear();
    }
}

} // namespace vorn::fuzz
