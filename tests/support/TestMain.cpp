// Every test process gets a per-user folder of its own, so that logs and
// profiles written by a test never reach the real home folder, and stale
// files from one test never reach the next.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/TempDir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    auto home = std::make_unique<vorn::test::TempDir>();
    const std::string data = home->file("data");
    const std::string cache = home->file("cache");
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(cache);
    setenv("HOME", home->path().c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int result = RUN_ALL_TESTS();
    home.reset();
    return result;
}
