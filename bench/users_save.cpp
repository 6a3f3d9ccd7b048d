// Writing the users file with ten profiles, as the game does after every
// change of player data: the text, the write, the sync to disk and the
// rename over the old file.
#include "app/Application.h"
#include "core/Platform.h"
#include "services/User.h"
#include "services/UserManager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class BenchApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return "VornBench"; }
    void setup() override {}
};

// A profile as a player has it after a while: options, counters, lives,
// achievements and progress through the levels.
void fill(vorn::User* user, int seed) {
    for (const char* resource : {"gold", "hint", "undo", "shuffle", "lives"}) user->getResource(resource).set(seed * 37 + 5);
    vorn::Value& scores = user->getOrCreate("bestScores", vorn::Value::DICT);
    for (int level = 0; level < 60; ++level) scores.set(vorn::Value(1000LL * level + seed), "level_" + std::to_string(level));
    vorn::Value& parts = user->getOrCreate("artifactParts", vorn::Value::ARRAY);
    for (int part = 0; part < 40; ++part) parts.push_back(vorn::Value("artifact_" + std::to_string(part % 8) + "_part_" + std::to_string(part)));
    vorn::Value& done = user->getOrCreate("achievementCompletions", vorn::Value::DICT);
    for (int a = 0; a < 12; ++a) done.set(vorn::Value(float(a * 8)), "achievement_" + std::to_string(a));
    user->setValue(vorn::Value(1700000000LL), "lifeManagerStart");
}

void BM_SaveTenProfiles(benchmark::State& state) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "vorn-bench-users";
    std::filesystem::create_directories(home);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    BenchApp app;
    vorn::Application::setInstance(&app);
    vorn::UserManager* users = vorn::UserManager::instance();
    for (int i = 0; users->users().size() < 10; ++i) {
        if (vorn::User* user = users->addUser("Player " + std::to_string(i))) fill(user, i);
    }
    users->save();
    const auto size = std::filesystem::file_size(users->usersFilePath());
    for (auto _ : state) users->save();
    state.counters["bytes"] = double(size);
    vorn::Application::setInstance(nullptr);
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_SaveTenProfiles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
