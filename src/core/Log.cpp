#include "core/Log.h"

#include "core/Platform.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace vorn {

namespace {

// One lock for the whole call: the lazily created logger, the first-use
// reset of the file and every append, so lines from several threads never
// interleave.
std::recursive_mutex& logMutex() {
    static std::recursive_mutex m;
    return m;
}

// A message logged while the log file is being set up (say, by the
// application's folder-name hook) must not recurse into setting it up again.
thread_local bool insideOpen = false;

} // namespace

void log(const char* format, ...) {
    // Messages longer than the buffer are cut at 65,535 bytes.
    thread_local std::vector<char> buffer(65536);
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    const std::string text = n < 0 ? std::string() : std::string(buffer.data());

    std::lock_guard<std::recursive_mutex> lock(logMutex());
    Logger::instance()->write(text);
}

Logger* Logger::instance() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    static Logger* logger = new Logger();
    return logger;
}

void Logger::resetForTests() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    instance()->path_.clear();
}

// The file is set up by the first write, not here: the folder-name hook
// may log, and a message logged while this runs would find the logger
// still half made.
Logger::Logger() = default;

void Logger::open() {
    if (insideOpen) return;
    insideOpen = true;
    const std::string name = Platform::instance()->runningDataFolderName();
    if (!name.empty()) {
        path_ = Platform::instance()->writableFolder(name) + "/log.txt";
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite("--\r\n", 1, 4, f);
            std::fclose(f);
        }
    }
    insideOpen = false;
}

void Logger::write(const std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (path_.empty()) open();
    if (path_.empty()) return;
    FILE* f = std::fopen(path_.c_str(), "ab");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fwrite("\r\n", 1, 2, f);
    std::fclose(f);
}

} // namespace vorn
