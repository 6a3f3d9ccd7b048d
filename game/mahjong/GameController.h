#pragma once

#include "core/Scheduler.h"

namespace mahjong {

// A process-wide scheduled object that the game screen starts; it does
// nothing yet of its own.
class GameController : public vorn::Scheduleable {
public:
    static GameController* instance();
    void init() {}
    void onUpdate(float) override {}

    // For tests, after the scheduler's reset: registered once again, as
    // when made. Does nothing when never made.
    static void resetForTests();

private:
    GameController();
};

} // namespace mahjong
