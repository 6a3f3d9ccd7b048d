// The win sequence: stars and gold for the score, the best score kept, the
// level's artifact parts handed over with a staggered arrival, the "win"
// popup with its effect, the progress achievements and the analytics event.
#include "screens/GameScene.h"

#include "services/AchievementManager.h"
#include "services/Analytics.h"
#include "core/Config.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "mahjong/Board.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"
#include "screens/ArtifactHandover.h"
#include "screens/Level.h"
#include "screens/LevelList.h"

#include <map>
#include <string>
#include <vector>

namespace {

long long configInteger(const std::string& path) {
    try {
        return vorn::Config::instance()->get(path).asLongLong();
    } catch (const std::exception& e) {
        vorn::log("Configuration %s is no number [%s]; 0 is used", path.c_str(), e.what());
        return 0;
    }
}

float share(long long count, long long target) {
    if (count >= target) return 100.0f;
    return static_cast<float>(count) * 100.0f / static_cast<float>(target);
}

} // namespace

void GameScene::win() {
    // Modes that end on the gold pair or the bears leave tiles to play on:
    // the board stops taking clicks, and a later report pays nothing again.
    if (board) board->setEnabled(false);
    if (won_) return;
    won_ = true;
    // Score, gold, best score and parts reach the disk together or not at all.
    const vorn::UserManager::SaveBatch batch;

    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user || !level) {
        vorn::log("Error: a win without %s; nothing is paid or kept", user ? "a level" : "a selected player");
        pushPopup("win");
        return;
    }
    const std::string uid = level->uid();
    vorn::Value& results = user->getOrCreate("levelResults", vorn::Value::DICT);
    const vorn::Value previous = results.get(uid);

    long long gold = configInteger("rewards.win");
    long long previousBest = 0;
    int previousStars = 0;
    if (previous.isSet()) {
        previousBest = previous.asLongLong();
        previousStars = level->starsForScore(previousBest);
    }
    const long long score = vorn::DataSource::get("score")->value().asLongLong();
    const int stars = level->starsForScore(score);
    vorn::DataSource::get("levelStars")->set(vorn::Value(stars));
    user->getResource("totalScore").add(score);
    for (int k = stars; k > previousStars; --k) {
        vorn::log("adding score for star %i", k);
        gold += configInteger("rewards.star" + std::to_string(k));
    }
    vorn::DataSource::get("levelGold")->set(vorn::Value(gold));
    user->getResource("gold").add(gold);

    const bool newBest = previous.isNil() || previousBest < score;
    if (newBest) results.set(vorn::Value(score), uid);

    const bool anyNew = handOverArtifacts();
    if (anyNew) {
        ArtifactHandover::current().saveIfChanged();
        vorn::UserManager::instance()->userDataChanged();
    } else if (newBest) {
        vorn::UserManager::instance()->userDataChanged();
    }

    pushPopup("win");
    if (const std::shared_ptr<vorn::Node> holder = findNode("winEffectHolder")) {
        vorn::IntervalAction* steps[] = {new vorn::WaitAction(0.8f), new vorn::FunctionAction([](vorn::Node* node) {
                                             node->addEffectAtCenter("data/effects/win.xml");
                                         })};
        holder->runAction(new vorn::Sequence(steps, 2));
    }
    updateWinAchievements();
    if (!developerActionUsed) reportWin();
}

bool GameScene::handOverArtifacts() {
    ArtifactHandover& handover = ArtifactHandover::current();
    const std::vector<std::string> ids = level->artifacts();
    const std::shared_ptr<vorn::Node> list = findNode("winArtifactsNodelist");
    if (list) {
        list->setSize({120.0f * static_cast<float>(ids.size()), list->getSize().y});
        list->layoutInParent();
    } else {
        vorn::log("Game screen: no node \"winArtifactsNodelist\"; the won parts are handed over unseen");
    }
    int k = 0;
    bool anyNew = false;
    for (const std::string& id : ids) {
        if (handover.isCollected(id) || handover.isPlaced(id)) continue;
        if (list) {
            if (const std::shared_ptr<vorn::Node> part = handover.makePartNode(id)) {
                list->addChild(part);
                part->switchState("pre_win", 0.0f, 0.0f, true);
                vorn::IntervalAction* steps[] = {
                    new vorn::WaitAction(2.55f + 0.15f * static_cast<float>(k)),
                    new vorn::FunctionAction([](vorn::Node* node) { node->setState("win"); })};
                part->runAction(new vorn::Sequence(steps, 2));
            }
        }
        // Every part is collected, whatever the ones before it gave.
        const bool collected = handover.collectPart(id);
        anyNew = anyNew || collected;
        ++k;
    }
    if (const std::shared_ptr<vorn::Node> scrolls = findNode("scrollsVC")) {
        scrolls->showOnlyChild(anyNew ? std::to_string(ids.size()) : std::string("0"));
        scrolls->setStateStop(false);
    } else {
        vorn::log("Game screen: no node \"scrollsVC\"; the parts' caption is not shown");
    }
    return anyNew;
}

void GameScene::updateWinAchievements() {
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user) return;
    vorn::AchievementManager* achievements = vorn::AchievementManager::instance();
    const long long n = static_cast<long long>(user->getOrCreate("levelResults", vorn::Value::DICT).keys().size());
    achievements->achievement("beginner").setCompletion(100.0f);
    achievements->achievement("apprentice").setCompletion(share(n, 5));
    achievements->achievement("experienced").setCompletion(share(n, 15));
    achievements->achievement("master").setCompletion(share(n, 144));
    const long long s = LevelList::instance()->totalStars();
    achievements->achievement("bronze_star").setCompletion(share(s, 150));
    achievements->achievement("silver_star").setCompletion(share(s, 300));
    achievements->achievement("super_star").setCompletion(share(s, 432));
    const long long total = user->getResource("totalScore").amount();
    achievements->achievement("highscorer").setCompletion(share(total, 50000));
    achievements->achievement("hundred").setCompletion(share(total, 100000));
}

void GameScene::reportWin() {
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user || !level) return;
    std::map<std::string, vorn::Value> parameters;
    parameters["score"] = vorn::Value(vorn::DataSource::get("score")->value().asLongLong());
    parameters["moves"] = vorn::Value(moves);
    parameters["level_uid"] = vorn::Value(level->uid());
    parameters["play_time"] = vorn::Value(board ? board->elapsed : 0.0f);
    parameters["hints_used"] = vorn::Value(hintsUsed);
    parameters["undo_used"] = vorn::Value(undosUsed);
    parameters["reshuffles_used"] = vorn::Value(reshufflesUsed);
    parameters["user_lives"] = vorn::DataSource::get("@lm.lives")->value();
    parameters["user_gold_amount"] = vorn::Value(user->getResource("gold").amount());
    parameters["user_undo_amount"] = vorn::Value(user->getResource("undo").amount());
    parameters["user_hint_amount"] = vorn::Value(user->getResource("hint").amount());
    parameters["user_reshuffle_amount"] = vorn::Value(user->getResource("reshuffle").amount());
    vorn::Analytics::instance()->logEvent("winLevel", parameters);
}
