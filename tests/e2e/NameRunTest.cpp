// The real program's first run: the name typed into the new player's popup
// with the keyboard, spaces and an apostrophe in it, is the name the player
// gets and the users file keeps.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vorn::test::centreOf;
using vorn::test::node;

class NameRun : public vorn::test::ProgramRunTest {};

TEST_F(NameRun, ATypedNameKeepsItsSpacesAndPunctuation) {
    const std::string name = "Ana O'Tester Jr";
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);
    const vorn::test::Nodes popup = waitTree("LoadScene", "new player");
    ASSERT_FALSE(popup.empty()) << log();
    const glm::vec2 start = centreOf(node(popup, "newUserPopup/newUserOk"));
    ASSERT_GT(start.x, 0.0f) << node(popup, "newUserPopup/newUserOk");

    // The computer's user name goes first, then the name is typed, a key at a time.
    std::string erase = "key --delay 20";
    for (int i = 0; i < 24; ++i) erase += " BackSpace";
    ASSERT_TRUE(keyboard(erase));
    ASSERT_TRUE(keyboard("type --delay 40 \"" + name + "\""));
    ASSERT_TRUE(waitForLog("WM_CHAR r"));
    shoot("typed");
    ASSERT_TRUE(click(start));

    // The map of the player it made.
    const vorn::test::Nodes map = waitTree("MapScene", "after entry");
    ASSERT_FALSE(map.empty()) << log();
    shoot("map");

    EXPECT_EQ(closeProgram(), 0);
    const vorn::Value users = usersFile();
    ASSERT_EQ(users.get("users").size(), 1u) << usersFileText();
    EXPECT_EQ(users.get("users").at(0).get("name").toString(), name);
    EXPECT_EQ(users.get("selected_user_name").toString(), name);
}

} // namespace
