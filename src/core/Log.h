#pragma once

#include <string>

namespace vorn {

// Under mingw "printf" means the Windows C runtime's rules, which refuse
// %zu; the log formats with the standard rules there too.
#if defined(__MINGW32__)
#define VORN_LOG_FORMAT gnu_printf
#else
#define VORN_LOG_FORMAT printf
#endif

// One line of the log: echoed to standard output and appended, ended by
// CR LF, to "log.txt" in the per-user folder. Safe from any thread.
void log(const char* format, ...) __attribute__((format(VORN_LOG_FORMAT, 1, 2)));

class Logger {
public:
    static Logger* instance();

    // Points the log at "log.txt" in the running application's per-user
    // folder and resets that file to "--". Does nothing until an
    // application is registered. The first write after registration calls it.
    void open();
    void write(const std::string& text);

    // For tests: the log file is set up again by the next write, for
    // whichever application is registered then.
    static void resetForTests();

private:
    Logger();
    std::string path_;
};

} // namespace vorn
