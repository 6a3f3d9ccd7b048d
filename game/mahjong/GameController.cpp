#include "mahjong/GameController.h"

namespace mahjong {

GameController* GameController::instance() {
    static GameController* controller = new GameController();
    return controller;
}

GameController::GameController() { vorn::Scheduler::instance()->add(this); }

} // namespace mahjong
