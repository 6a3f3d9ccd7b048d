// Every test process gets a per-user folder of its own, so that logs and
// profiles written by a test never reach the real home folder; and every
// test starts from the process's first state (see ProcessState.h), so that
// the tests pass run one by one or all in one process, in any order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/ProcessState.h"
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
    testing::UnitTest::GetInstance()->listeners().Append(new vorn::test::ProcessStateReset(home->path(), cache));
    const int result = RUN_ALL_TESTS();
    home.reset();
    return result;
}
