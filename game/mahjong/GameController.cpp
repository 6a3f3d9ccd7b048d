#include "mahjong/GameController.h"

namespace mahjong {

namespace {

GameController* made = nullptr;

} // namespace

GameController* GameController::instance() {
    static GameController* controller = made = new GameController();
    return controller;
}

GameController::GameController() { vorn::Scheduler::instance()->add(this); }

void GameController::resetForTests() {
    if (made == nullptr) return;
    vorn::Scheduler::instance()->remove(made);
    vorn::Scheduler::instance()->add(made);
}

} // namespace mahjong
