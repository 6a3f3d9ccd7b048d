#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vorn::test {

// Collects what the log writes to standard output between construction and
// the first call of text().
class LogCapture {
public:
    LogCapture() { testing::internal::CaptureStdout(); }
    ~LogCapture() {
        if (!done_) testing::internal::GetCapturedStdout();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& text() {
        if (!done_) {
            text_ = testing::internal::GetCapturedStdout();
            done_ = true;
        }
        return text_;
    }
    // How often the piece occurs in what was logged.
    int count(const std::string& piece) {
        int n = 0;
        for (auto at = text().find(piece); at != std::string::npos; at = text_.find(piece, at + 1)) ++n;
        return n;
    }

private:
    bool done_ = false;
    std::string text_;
};

// What the log writes to standard output while the action runs.
inline std::string captureLog(const std::function<void()>& action) {
    LogCapture log;
    action();
    return log.text();
}

} // namespace vorn::test
