#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vorn {

class Application;

// The Windows main loop: registers the application, runs its start-up,
// creates the window, then drains the window messages into the
// application's input and runs one frame per pass, without sleeping, until
// the application asks to quit.
class MainLoop {
public:
    explicit MainLoop(Application& app) : app_(app) {}

    // The whole run; the process exit status: the application's after a
    // quit (0 unless it set another), non-zero when the window or the
    // renderer could not be set up.
    int run();

    // Acts on one message taken from the queue, after it went through the
    // window procedure.
    void handleMessage(const MSG& msg);

    // The frame clock: start() takes the first reading, and each tick() the
    // seconds since the previous reading. The clock wraps at 32 bits.
    void start();
    float tick();

    // The engine key code of a Windows virtual key; 0 for keys not in the table.
    static int engineKey(unsigned virtualKey);

private:
    void character(std::uint32_t unit);

    Application& app_;
    std::uint32_t last_ = 0;
    // First half of a character outside the basic plane, waiting for its second.
    std::uint32_t highSurrogate_ = 0;
};

// Runs the application; returns the process exit status.
int runMainLoop(Application* app);

} // namespace vorn
