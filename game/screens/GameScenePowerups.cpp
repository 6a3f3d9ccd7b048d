// Hint, undo and reshuffle, each spending one unit of the player's counter
// of that name, and the shop that sells packs of units for gold.
#include "screens/GameScene.h"

#include "services/AchievementManager.h"
#include "app/Application.h"
#include "core/Config.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "mahjong/Board.h"

namespace {

// One lifetime use more of a power-up, and the achievement it drives:
// complete at ten uses.
void countLifetimeUse(vorn::User& user, const char* counter, const char* achievement) {
    const long long t = user.getResource(counter).add(1);
    const float completion = t >= 10 ? 100.0f : static_cast<float>(t) * 100.0f / 10.0f;
    vorn::AchievementManager::instance()->achievement(achievement).setCompletion(completion);
}

// The player's counter for a power-up; null, with a log line, when no
// player is selected or there is no board to use it on.
vorn::ResourceCounter* powerupCounter(const char* name, bool haveBoard) {
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user) {
        vorn::log("%s(): no player selected", name);
        return nullptr;
    }
    if (!haveBoard) {
        vorn::log("%s(): no board to use it on", name);
        return nullptr;
    }
    return &user->getResource(name);
}

} // namespace

void GameScene::hint() {
    vorn::log("hint()");
    vorn::ResourceCounter* units = powerupCounter("hint", board != nullptr);
    if (!units) return;
    if (units->amount() <= 0) {
        openHintShop();
        return;
    }
    if (!board->showHint()) return;
    ++hintsUsed;
    units->add(-1);
    countLifetimeUse(*units->owner, "hintsUsed", "show_me");
    addEffectAtCenter("data/effects/hint_sound.xml");
    closeTutorial();
}

void GameScene::undo() {
    vorn::log("undo()");
    vorn::ResourceCounter* units = powerupCounter("undo", board != nullptr);
    if (!units) return;
    if (units->amount() <= 0) {
        openUndoShop();
        return;
    }
    if (!board->undo()) return;
    ++undosUsed;
    units->add(-1);
    countLifetimeUse(*units->owner, "undosUsed", "reconsider");
    addEffectAtCenter("data/effects/undo_sound.xml");
    closePopupsAfterPowerup();
}

void GameScene::reshuffle() {
    vorn::log("reshuffle()");
    vorn::ResourceCounter* units = powerupCounter("reshuffle", board != nullptr);
    if (!units) return;
    if (units->amount() <= 0) {
        openReshuffleShop();
        return;
    }
    ++reshufflesUsed;
    board->reshuffle();
    units->add(-1);
    countLifetimeUse(*units->owner, "reshufflesUsed", "reshuffle_it");
    addEffectAtCenter("data/effects/reshuffle_sound.xml");
    closePopupsAfterPowerup();
}

// The no-moves popup closes first: a tutorial under it would otherwise come
// back into view with nothing left that closes it.
void GameScene::closePopupsAfterPowerup() {
    if (getCurrentState() == "no_turns") popState();
    closeTutorial();
}

void GameScene::openHintShop() { pushPopup("hint_shop"); }

void GameScene::openUndoShop() { pushPopup("undo_shop"); }

void GameScene::openReshuffleShop() { pushPopup("reshuffle_shop"); }

void GameScene::buyPowerupPack(const std::string& pack) {
    // Looked up by its own key: a name with a dot in it would otherwise walk
    // into another entry.
    const vorn::Value& packs = vorn::Config::instance()->get("powerupPacks");
    const vorn::Value entry = packs.type() == vorn::Value::DICT ? packs.get(pack) : vorn::Value();
    const vorn::Value& resource = entry.type() == vorn::Value::DICT ? entry.get("resource") : vorn::Value::null;
    if (resource.type() != vorn::Value::STRING || resource.toString().empty()) {
        vorn::log("buyPowerupPack: no pack \"%s\" in the configuration; nothing bought", pack.c_str());
        return;
    }
    long long price = 0;
    long long count = 0;
    try {
        price = entry.get("price").asLongLong();
        count = entry.get("count").asLongLong();
    } catch (const std::exception& e) {
        vorn::log("buyPowerupPack: pack \"%s\" has no usable price or count [%s]; nothing bought", pack.c_str(),
                  e.what());
        return;
    }
    if (price < 0 || count < 0) {
        vorn::log("buyPowerupPack: pack \"%s\" has a negative price or count; nothing bought", pack.c_str());
        return;
    }
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    if (!user) {
        vorn::log("buyPowerupPack: no player selected; nothing bought");
        return;
    }
    vorn::ResourceCounter& gold = user->getResource("gold");
    // The price must be below the gold held: exactly enough is not enough.
    if (price < gold.amount()) {
        // Gold spent without the pack on disk would be a purchase lost.
        const vorn::UserManager::SaveBatch batch;
        gold.add(-price);
        user->getResource(resource.toString()).add(count);
        if (scene) scene->popState();
    } else if (scene) {
        scene->pushState();
        scene->setState("gold_shop");
    }
}

void GameScene::publishPowerupPacks() {
    const vorn::Value& packs = vorn::Config::instance()->get("powerupPacks");
    if (packs.type() != vorn::Value::DICT) return;
    for (const std::string& name : packs.keys()) {
        const vorn::Value& pack = packs.get(name);
        if (pack.type() != vorn::Value::DICT) continue;
        vorn::DataSource::get(name + "_price")->set(pack.get("price"));
        vorn::DataSource::get(name + "_count")->set(pack.get("count"));
    }
}
