// Termination requests as the layer hands them over: a signal becomes a
// console control event delivered on a thread of its own, the last handler
// added first, until one takes it; nobody taking it ends the process as the
// signal would.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    std::vector<std::thread::id> threads;
    std::atomic<bool> secondTakes{true};

    void add(const std::string& call) {
        const std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(call);
        threads.push_back(std::this_thread::get_id());
        changed.notify_all();
    }
    // Waits for that many calls; the limit only stops a broken layer from
    // hanging the suite.
    bool waitFor(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [&] { return calls.size() >= n; });
    }
};

Heard heard;

BOOL WINAPI first(DWORD type) {
    heard.add("first " + std::to_string(type));
    return TRUE;
}

BOOL WINAPI second(DWORD type) {
    // Decided before it is heard: the test changes its mind once it has
    // heard, and the answer must be the one given before.
    const bool takes = heard.secondTakes;
    heard.add("second " + std::to_string(type));
    return takes ? TRUE : FALSE;
}

TEST(ConsoleControl, ASignalReachesTheHandlersLastAddedFirstOnAThreadOfTheirOwn) {
    ASSERT_TRUE(SetConsoleCtrlHandler(&first, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(&second, TRUE));
    EXPECT_FALSE(SetConsoleCtrlHandler(nullptr, TRUE));

    // Taken by the last one added: the first never hears of it.
    std::raise(SIGTERM);
    ASSERT_TRUE(heard.waitFor(1));
    // Passed on by the last one: the first takes it.
    heard.secondTakes = false;
    std::raise(SIGINT);
    ASSERT_TRUE(heard.waitFor(3));
    // Removed: the remaining one alone.
    EXPECT_TRUE(SetConsoleCtrlHandler(&second, FALSE));
    EXPECT_FALSE(SetConsoleCtrlHandler(&second, FALSE));
    std::raise(SIGHUP);
    ASSERT_TRUE(heard.waitFor(4));
    EXPECT_TRUE(SetConsoleCtrlHandler(&first, FALSE));

    const std::lock_guard<std::mutex> lock(heard.mutex);
    EXPECT_EQ(heard.calls, (std::vector<std::string>{"second 2", "second 0", "first 0", "first 2"}));
    for (const std::thread::id id : heard.threads) EXPECT_NE(id, std::this_thread::get_id());
}

// In a fresh process of its own, as nobody takes the request there.
TEST(ConsoleControl, WhenNoHandlerTakesTheRequestTheSignalEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            heard.secondTakes = false;
            SetConsoleCtrlHandler(&second, TRUE);
            std::raise(SIGTERM);
            // Ended by the signal long before this.
            for (int i = 0; i < 3000; ++i) usleep(10000);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

} // namespace
