#pragma once

#include <string>

namespace vorn {

// One line of the log: echoed to standard output and appended, ended by
// CR LF, to "log.txt" in the per-user folder. Safe from any thread.
void log(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Logger {
public:
    static Logger* instance();

    // Points the log at "log.txt" in the running application's per-user
    // folder and resets that file to "--". Does nothing until an
    // application is registered.
    void open();
    void write(const std::string& text);

private:
    Logger();
    std::string path_;
};

} // namespace vorn
