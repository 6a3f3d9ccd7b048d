#pragma once

// Every test starts from the state a new process would be in. The engine
// and the game keep process-wide state (singletons made on first use,
// registries, the working folder, environment variables, files in the
// per-user folder); a listener that TestMain registers puts all of it back
// at each test's start and end, so that nothing a test leaves behind (a
// running action, a scheduled object, a listener with captures of its
// stack, a cached resource, a player) reaches the next one, whatever the
// order the tests run in.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vorn::test {

// The seed every random engine of the program starts from in a test
// (boards, particle emitters, music picks), through one fixed sequence.
inline constexpr std::uint32_t kFixedSeed = 1;

class ProcessStateReset : public ::testing::EmptyTestEventListener {
public:
    // Takes the working folder, the environment and the folders inside
    // home as they are now as the state to come back to: at every reset,
    // home goes back to holding those folders, empty, except for cache,
    // which is left as it is (libraries such as Mesa keep files there for
    // the life of the process).
    ProcessStateReset(std::filesystem::path home, std::filesystem::path cache);

    void OnTestStart(const ::testing::TestInfo& test) override;
    void OnTestEnd(const ::testing::TestInfo& test) override;

    // The engine's and the game's singletons and registries as at the
    // start of the process.
    static void resetEngineAndGame();

private:
    void reset();
    void restoreEnvironment() const;
    void emptyHome() const;

    std::filesystem::path workingFolder_;
    std::map<std::string, std::string> environment_;
    std::filesystem::path home_;
    std::vector<std::filesystem::path> homeFolders_;
    std::filesystem::path cache_;
};

} // namespace vorn::test
