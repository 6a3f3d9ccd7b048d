// A termination request (SIGTERM) ends the program whatever it is doing,
// and the player it has loaded is saved as an ordinary exit saves it: on
// the map, where the main loop takes the request up, and in the middle of a
// long load, where nothing of the main thread's would ever notice it.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using vorn::test::eventually;
using vorn::test::has;
using vorn::test::ProgramRun;
using vorn::test::VirtualScreen;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// As another program writes it (tabs, no DOCTYPE): whatever this program
// saves looks different, and a save always makes a new file.
const char* const kUsers = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                           "\t<key>selected_user_name</key>\n\t<string>Ann</string>\n"
                           "\t<key>users</key>\n\t<array>\n\t\t<dict>\n"
                           "\t\t\t<key>initialResourcesGiven</key>\n\t\t\t<true/>\n"
                           "\t\t\t<key>name</key>\n\t\t\t<string>Ann</string>\n"
                           "\t\t\t<key>resourceAmounts</key>\n\t\t\t<dict>\n"
                           "\t\t\t\t<key>gold</key>\n\t\t\t\t<integer>321</integer>\n\t\t\t</dict>\n"
                           "\t\t</dict>\n\t</array>\n</dict>\n</plist>\n";

class TerminationRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v Xvfb >/dev/null") != 0) GTEST_SKIP() << "needs Xvfb (scripts/setup.sh)";
        screen_ = std::make_unique<VirtualScreen>(1280, 1024);
        ASSERT_TRUE(screen_->ok());
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
        fs::create_directories(program_.userFolder());
        std::ofstream(usersPath(), std::ios::binary) << kUsers;
    }

    std::string usersPath() const { return program_.userFolder() + "/users.xml"; }

    // The file's identity: a save replaces the file, so it changes with every save.
    ino_t usersFileIdentity() const {
        struct stat st {};
        return ::stat(usersPath().c_str(), &st) == 0 ? st.st_ino : 0;
    }

    // The started program among this process's children.
    static pid_t programPid() {
        std::error_code ec;
        const fs::path binary = fs::canonical(VORN_MAHJONG_BINARY, ec);
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(line.substr(close + 1));
            std::string state;
            pid_t parent = 0;
            rest >> state >> parent;
            if (parent != getpid()) continue;
            if (fs::read_symlink(entry.path() / "exe", ec) == binary) return static_cast<pid_t>(std::stoi(name));
        }
        return -1;
    }

    // Sends the request and waits for the end; the exit status, or -1 when
    // the program did not end.
    int terminate() {
        pid_t pid = -1;
        EXPECT_TRUE(eventually([&] { return (pid = programPid()) > 0; }));
        if (pid <= 0) return -1;
        const auto sent = Clock::now();
        ::kill(pid, SIGTERM);
        const int status = program_.waitForExit();
        std::printf("ended %.2f s after the termination request\n",
                    std::chrono::duration<double>(Clock::now() - sent).count());
        std::fflush(stdout);
        return status;
    }

    // Ann, as she was, in a users file that is whole.
    void expectAnnSaved() {
        const vorn::Value root = vorn::Value::fromPlistData(vorn::Data::readFile(usersPath()));
        ASSERT_EQ(root.type(), vorn::Value::DICT) << vorn::test::readBytes(usersPath());
        EXPECT_EQ(root.get("selected_user_name").toString(), "Ann");
        ASSERT_EQ(root.get("users").size(), 1u);
        EXPECT_EQ(root.get("users").at(0).get("resourceAmounts").get("gold"), vorn::Value(321LL));
    }

    std::unique_ptr<VirtualScreen> screen_;
    vorn::test::TempDir home_;
    ProgramRun program_;
};

TEST_F(TerminationRun, OnTheMapTheRequestEndsTheRunAsAClosedWindowDoes) {
    program_.start();
    ASSERT_TRUE(eventually([&] { return has(program_.log(), "MapScene tree end"); })) << program_.log();
    const ino_t before = usersFileIdentity();
    EXPECT_EQ(terminate(), 0) << program_.log();
    const std::string log = program_.log();
    EXPECT_TRUE(has(log, "Termination requested")) << log;
    EXPECT_FALSE(has(log, "is busy")) << log;
    EXPECT_NE(usersFileIdentity(), before) << "not saved at the end";
    expectAnnSaved();
}

// The splash screen made to load for minutes: a fan of files, each within
// the bounds of what one load may include, that are slow to read. The
// request comes once the slow reading has begun.
TEST_F(TerminationRun, InTheMiddleOfALongLoadTheRequestEndsTheRunAndSavesThePlayer) {
    vorn::test::TempDir tree;
    const fs::path data = fs::absolute("data");
    ASSERT_TRUE(fs::is_directory(data / "scenes"));
    fs::create_directories(tree.path() / "data" / "scenes");
    for (const auto& entry : fs::directory_iterator(data)) {
        if (entry.path().filename() != "scenes") fs::create_symlink(entry.path(), tree.path() / "data" / entry.path().filename());
    }
    for (const auto& entry : fs::directory_iterator(data / "scenes")) {
        if (entry.path().filename() != "splash.sg.xml") {
            fs::create_symlink(entry.path(), tree.path() / "data" / "scenes" / entry.path().filename());
        }
    }
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(tree.path() / "data" / "scenes" / name, std::ios::binary) << text;
    };
    std::string heavy = "<container";
    for (int i = 0; i < 100000; ++i) heavy += " a" + std::to_string(i) + "=\"0\"";
    write("slow.xml", heavy + "/>");
    std::string fan = "<container>";
    for (int i = 0; i < 99; ++i) fan += "<container content=\"data/scenes/slow.xml\"/>";
    write("fan.xml", fan + "</container>");
    std::string splash = "<scene>";
    for (int i = 0; i < 100; ++i) splash += "<container content=\"data/scenes/fan.xml\"/>";
    write("splash.sg.xml", splash + "</scene>");

    program_.setWorkingDirectory(tree.path().string());
    program_.start();
    ASSERT_TRUE(eventually([&] { return has(program_.log(), "getResource data/scenes/slow.xml"); })) << program_.log();
    const ino_t before = usersFileIdentity();
    EXPECT_NE(terminate(), -1) << "still running after the request";
    const std::string log = program_.log();
    EXPECT_TRUE(has(log, "Termination requested")) << log;
    EXPECT_TRUE(has(log, "Ended on the termination request")) << log;
    EXPECT_FALSE(has(log, "first frame presented")) << "the load had ended: the test shows nothing";
    EXPECT_NE(usersFileIdentity(), before) << "not saved at the end";
    expectAnnSaved();
}

} // namespace
