// The real program's first run: the name typed into the new player's popup
// with the keyboard, spaces and an apostrophe in it, is the name the player
// gets and the users file keeps.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <glm/vec2.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::ProgramRun;
using vorn::test::Screenshot;
using vorn::test::VirtualScreen;

using Nodes = std::map<std::string, std::vector<std::string>>;

std::string named(const Nodes& nodes, const std::string& name) {
    for (const auto& [path, entries] : nodes) {
        const bool match = path == name || (path.size() > name.size() &&
                                            path.compare(path.size() - name.size() - 1, std::string::npos, "/" + name) == 0);
        if (match && !entries.empty()) return entries.front();
    }
    return "";
}

glm::vec2 centreOf(const std::string& line) {
    glm::vec2 at{-1.0f, -1.0f};
    const auto x = line.find(" x=");
    if (x != std::string::npos) std::sscanf(line.c_str() + x, " x=%f y=%f", &at.x, &at.y);
    return at;
}

class NameRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        screen_ = std::make_unique<VirtualScreen>(1280, 1024);
        ASSERT_TRUE(screen_->ok()) << "no X server of 1280 x 1024";
        display_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(display_, nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
    }
    void TearDown() override {
        if (HasFailure()) {
            if (display_) Screenshot::take(display_).save("at-failure");
            std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
        }
        program_.kill();
        if (display_) XCloseDisplay(display_);
    }

    // Full screen at 5:4: 768 design units high.
    bool click(glm::vec2 at) const {
        return screen_->xdotool("mousemove --sync " + std::to_string(static_cast<int>(at.x * k_)) + " " +
                                std::to_string(static_cast<int>(at.y * k_)) + " click 1");
    }
    Nodes waitTree(const std::string& title, const std::string& why) const {
        Nodes nodes;
        eventually([&] { return !(nodes = vorn::test::tree(program_.log(), title, why)).empty(); }, 60);
        return nodes;
    }

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    const float k_ = 1024.0f / 768.0f;
    vorn::test::TempDir home_;
    ProgramRun program_;
};

TEST_F(NameRun, ATypedNameKeepsItsSpacesAndPunctuation) {
    const std::string name = "Ana O'Tester Jr";
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0;
    }));
    const Nodes popup = waitTree("LoadScene", "new player");
    ASSERT_FALSE(popup.empty()) << program_.log();
    const glm::vec2 start = centreOf(named(popup, "newUserOk"));

    // The computer's user name goes first, then the name is typed.
    ASSERT_TRUE(screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync"));
    std::string erase = "key --delay 20";
    for (int i = 0; i < 24; ++i) erase += " BackSpace";
    ASSERT_TRUE(screen_->xdotool(erase));
    ASSERT_TRUE(screen_->xdotool("type --delay 40 \"" + name + "\""));
    ASSERT_TRUE(eventually([&] { return vorn::test::countLines(program_.log(), "WM_CHAR r") >= 1; }));
    Screenshot::take(display_).save("typed");
    ASSERT_TRUE(click(start));

    // The player it made is the one the map shows.
    const Nodes map = waitTree("MapScene", "after entry");
    ASSERT_FALSE(map.empty()) << program_.log();
    Screenshot::take(display_).save("map");

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);
    const vorn::Value users = vorn::Value::fromPlistData(vorn::Data::readFile(program_.userFolder() + "/users.xml"));
    ASSERT_EQ(users.get("users").size(), 1u);
    EXPECT_EQ(users.get("users").at(0).get("name").toString(), name);
    EXPECT_EQ(users.get("selected_user_name").toString(), name);
}

} // namespace
