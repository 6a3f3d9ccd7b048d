#pragma once

// What the fuzz targets share. Each target calls setUp() once from
// LLVMFuzzerInitialize: the per-user folder then lies in a scratch folder of
// the process's own, removed at exit, so nothing a loader writes reaches the
// real home folder. Targets run from the clone's root, where data/ is.

#include "app/Application.h"
#include "render/Render.h"
#include "scene/Scene.h"
#include "support/RecordingRender.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorn::fuzz {

void setUp();

// The scratch folder.
const std::string& scratch();
// Writes the bytes to name in the scratch folder; its path.
std::string writeScratch(const std::string& name, const std::uint8_t* data, std::size_t size);

inline std::string text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// An application without a window or a log file (the log would grow with
// every input), whose frames draw into a recording renderer.
class FuzzApp : public Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return {}; }
    void setup() override {}
};

class Run {
public:
    Run();
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Frames of dt seconds each, as the window runs them.
    void step(float dt, int frames);

    test::RecordingRender render;
    FuzzApp app;
};

// The process's one run, made at its first use and kept: a renderer is
// costly to make.
Run& sharedRun();

} // namespace vorn::fuzz
