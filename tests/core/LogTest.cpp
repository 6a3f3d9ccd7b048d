#include "app/Application.h"
#include "core/Log.h"
#include "core/Platform.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

class FolderApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024, 768}; }
    std::string dataFolderName() override { return "VoyaluneMahjong"; }
    void setup() override {}
};

// Its folder-name hook logs, as a game's may while it works out the name.
class ChattyFolderApp : public FolderApp {
public:
    std::string dataFolderName() override {
        vorn::log("choosing the data folder");
        return FolderApp::dataFolderName();
    }
};

std::string logPath() {
    return std::string(std::getenv("XDG_DATA_HOME")) + "/VoyaluneMahjong/log.txt";
}

// Splits the file at CR LF and checks that nothing else ends a line.
std::vector<std::string> crlfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "unterminated last line";
        if (end == std::string::npos) break;
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

TEST(Log, FileStartsWithDashesAfterRegistrationAndKeepsCallOrder) {
    vorn::log("before %d", 1); // no application yet: standard output only
    FolderApp app;
    vorn::Application::setInstance(&app);
    vorn::log("first %s", "line");
    vorn::log("%s", "");
    vorn::log("third");
    const auto lines = crlfLines(vorn::test::readBytes(logPath()));
    EXPECT_EQ(lines, (std::vector<std::string>{"--", "first line", "", "third"}));
    vorn::Application::setInstance(nullptr);
}

// The first message creates the logger; the file is set up on that
// message's write, where a hook that logs finds a finished logger.
TEST(Log, FolderHookThatLogsOnTheFirstMessageDoesNotHang) {
    ChattyFolderApp app;
    vorn::Application::setInstance(&app);
    const std::string out = vorn::test::captureLog([] { vorn::log("first"); });
    EXPECT_EQ(out, "first\nchoosing the data folder\n");
    EXPECT_EQ(crlfLines(vorn::test::readBytes(logPath())), (std::vector<std::string>{"--", "first"}));
    vorn::Application::setInstance(nullptr);
}

TEST(Log, OverlongMessageIsCutNotOverrun) {
    FolderApp app;
    vorn::Application::setInstance(&app);
    const std::string big(100000, 'x');
    vorn::log("%s", big.c_str());
    const auto lines = crlfLines(vorn::test::readBytes(logPath()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].size(), 65535u);
    vorn::Application::setInstance(nullptr);
}

TEST(LogThreaded, ThreeThreadsWriteWholeLines) {
    FolderApp app;
    vorn::Application::setInstance(&app);
    constexpr int perThread = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < perThread; ++i) vorn::log("thread %d message %04d %s", t, i, "payload-payload-payload");
        });
    }
    for (auto& th : threads) th.join();

    const auto lines = crlfLines(vorn::test::readBytes(logPath()));
    ASSERT_EQ(lines.size(), 1u + 3 * perThread);
    EXPECT_EQ(lines[0], "--");
    std::set<std::string> seen;
    for (size_t i = 1; i < lines.size(); ++i) {
        int thread = -1, number = -1;
        char tail[64] = {};
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "thread %d message %d %63s", &thread, &number, tail), 3) << lines[i];
        EXPECT_STREQ(tail, "payload-payload-payload");
        seen.insert(lines[i]);
    }
    EXPECT_EQ(seen.size(), 3u * perThread);
    vorn::Application::setInstance(nullptr);
}
