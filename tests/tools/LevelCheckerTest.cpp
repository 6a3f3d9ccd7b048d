// The level checker run as the suite and the level generator run it: small
// layouts whose outcome is known by hand, written to a fresh folder, and the
// program's exit status, report lines and figures file.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#ifndef VORN_LEVEL_CHECKER
#error "VORN_LEVEL_CHECKER must name the built level checker"
#endif

namespace {

using vorn::test::readBytes;
using vorn::test::TempDir;
using vorn::test::writeBytes;

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome check(const std::string& arguments) {
    Outcome run;
    const std::string command = std::string(VORN_LEVEL_CHECKER) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

// A layout file of places [x, y, z] in a mode.
std::string layout(const std::vector<std::array<int, 3>>& places, int mode = 1, int bears = 0) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                       "<key>mode</key><integer>" + std::to_string(mode) + "</integer>\n";
    if (mode == 3) text += "<key>bearsCount</key><integer>" + std::to_string(bears) + "</integer>\n";
    text += "<key>places</key>\n<array>\n";
    for (const auto& p : places) {
        text += "<array><integer>" + std::to_string(p[0]) + "</integer><integer>" + std::to_string(p[1]) +
                "</integer><integer>" + std::to_string(p[2]) + "</integer></array>\n";
    }
    return text + "</array>\n</dict>\n</plist>\n";
}

std::vector<std::array<int, 3>> row(int tiles) {
    std::vector<std::array<int, 3>> places;
    for (int i = 0; i < tiles; ++i) places.push_back({2 * i, 0, 0});
    return places;
}

class LevelChecker : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        writeBytes(path, text);
        return path;
    }

    nlohmann::json figures(const std::string& path) {
        return nlohmann::json::parse(readBytes(path), nullptr, false);
    }

    TempDir dir;
};

// A row of tiles is dealt from the middle out, each pair on two places
// mirrored about the centre, so every deal is won by taking the ends. A
// steady player's pairs score 10, 10, 10, 10 while the multiplier bar
// fills, then 20, 30, 40, and the bar runs dry: 10 again.
TEST_F(LevelChecker, ScoresTheSteadyPlayersLineOnLayoutsWonEveryTime) {
    struct Case {
        const char* name;
        std::string text;
        long long maxScore;
    };
    const std::vector<Case> cases = {
        {"row of four", layout(row(4)), 20},
        {"row of ten", layout(row(10)), 60},
        {"row of sixteen", layout(row(16)), 140},
        // The gold pair alone takes both places and wins at once.
        {"gold pair", layout(row(2), 2), 250},
        // The bear takes the middle; the end pair frees it: 50 for the bear,
        // 10 for the pair, and no bear is left.
        {"bear in a row of three", layout(row(3), 3, 1), 60},
    };
    std::string files;
    for (std::size_t i = 0; i < cases.size(); ++i) files += " " + write("layout" + std::to_string(i) + ".plist", cases[i].text);
    const std::string out = dir.file("figures.json");
    const Outcome run = check("--seeds 30 --figures " + out + files);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("every deal won, every goal met"), std::string::npos) << run.output;
    const nlohmann::json figs = figures(out);
    ASSERT_TRUE(figs.is_object()) << readBytes(out);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const nlohmann::json& f = figs[dir.file("layout" + std::to_string(i) + ".plist")];
        EXPECT_EQ(f["deals"], 30);
        EXPECT_EQ(f["clean"], 30);
        EXPECT_EQ(f["won"], 30);
        EXPECT_EQ(f["mostReshuffles"], 0);
        EXPECT_EQ(f["maxScore"], cases[i].maxScore);
    }
}

// Two places one on the other take one pair, stacked on itself: the top
// tile is free, its partner never is, and a reshuffle deals them back the
// same way. The checker must call it lost, and the goal missed.
TEST_F(LevelChecker, ReportsALayoutNoReshuffleCanSaveAndTheCleanGoal) {
    const std::string stacked = write("stacked.plist", layout({{0, 0, 0}, {0, 0, 1}}));
    const std::string easy = write("easy.plist", layout(row(6)));

    const Outcome run = check("--seeds 10 --reshuffles 3 --clean-goal 1:0.9 " + stacked + " " + easy);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(stacked + ": 10 of 10 deals not won, even with reshuffles"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(stacked + ": won without a reshuffle in 0 of 10 deals, under the goal"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("FAULT " + easy), std::string::npos) << run.output;

    // Only the first levels are held to the goal.
    const Outcome later = check("--seeds 10 --reshuffles 3 --clean-goal 1:0.9 " + easy + " " + stacked);
    EXPECT_EQ(later.status, 1);
    EXPECT_EQ(later.output.find("under the goal"), std::string::npos) << later.output;
}

// With the level list, the levels go in the order of their numbers and each
// listed maxScore is held against the play's.
TEST_F(LevelChecker, HoldsTheListsMaxScoreToThePlay) {
    const std::string ten = write("ten.plist", layout(row(10)));
    const std::string four = write("four.plist", layout(row(4)));
    const auto list = [&](const std::string& tenScore) {
        return write("levels.json", "{\"10\": {\"filename\": \"" + four + "\", \"maxScore\": 20, \"artifacts\": []},\n"
                                    " \"9\": {\"filename\": \"" + ten + "\"" + tenScore + ", \"artifacts\": []}}\n");
    };

    const std::string out = dir.file("figures.json");
    Outcome run = check("--seeds 20 --check-max-score --figures " + out + " --levels " + list(", \"maxScore\": 60"));
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string text = readBytes(out);
    EXPECT_LT(text.find("\"9\""), text.find("\"10\"")) << text;

    run = check("--seeds 20 --check-max-score --levels " + list(", \"maxScore\": 70"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("9: maxScore 70 in the list, the play gives 60"), std::string::npos) << run.output;

    run = check("--seeds 20 --check-max-score --levels " + list(""));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("9: maxScore missing in the list, the play gives 60"), std::string::npos) << run.output;
}

// The figures do not depend on how many levels are played at once.
TEST_F(LevelChecker, GivesTheSameFiguresOnOneThreadAsOnMany) {
    std::string files;
    for (int n : {6, 8, 12, 14, 16, 18}) files += " " + write("row" + std::to_string(n) + ".plist", layout(row(n)));
    files += " " + write("bear.plist", layout(row(9), 3, 1));
    ASSERT_EQ(check("--seeds 40 --jobs 1 --figures " + dir.file("one.json") + files).status, 0);
    ASSERT_EQ(check("--seeds 40 --jobs 5 --figures " + dir.file("many.json") + files).status, 0);
    EXPECT_EQ(readBytes(dir.file("one.json")), readBytes(dir.file("many.json")));
}

TEST_F(LevelChecker, RefusesBadInputWithAMessage) {
    const std::string good = write("good.plist", layout(row(4)));
    struct Case {
        const char* name;
        std::string arguments;
        int status;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no layouts", "--seeds 5", 2, "usage:"},
        {"list and files", "--levels x.json " + good, 2, "usage:"},
        {"unknown option", "--fast " + good, 2, "unknown option --fast"},
        {"number missing", good + " --seeds", 2, "--seeds needs a value"},
        {"not a number", "--seeds many " + good, 2, "--seeds needs a number, not many"},
        {"no deals", "--seeds 0 " + good, 2, "--seeds must be at least 1"},
        {"goal without share", "--clean-goal 20 " + good, 2, "--clean-goal needs COUNT:SHARE"},
        {"goal over one", "--clean-goal 20:1.5 " + good, 2, "--clean-goal needs COUNT:SHARE"},
        {"max score without list", "--check-max-score " + good, 2, "--check-max-score needs --levels"},
        {"missing layout", "--seeds 5 " + dir.file("none.plist"), 1, "none.plist has no places"},
        {"layout not a plist", "--seeds 5 " + write("text.plist", "tiles everywhere"), 1, "text.plist has no places"},
        {"list not JSON", "--levels " + write("bad.json", "{\"1\": "), 1, "bad.json: not JSON"},
        {"list not an object", "--levels " + write("array.json", "[1, 2]"), 1, "array.json: not an object of levels"},
        {"level without file", "--levels " + write("nofile.json", "{\"1\": {\"maxScore\": 5}}"), 1,
         "level 1 has no \"filename\""},
        {"figures not writable", "--seeds 5 --figures " + dir.file("no/such/folder/f.json") + " " + good, 1,
         "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome run = check(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    }
}

} // namespace
