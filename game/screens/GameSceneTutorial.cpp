// A level's tutorial: a node file shown as the popup state "tutorial" a
// second after the screen's entry animation, and closed by the player's
// first useful action.
#include "screens/GameScene.h"

#include "core/Config.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"
#include "screens/Level.h"
#include "screens/TreeLog.h"

void GameScene::onActionFinished(vorn::Action* action) {
    if (!action) return;
    // The switch may sit inside a delay or an easing curve.
    const auto* switched =
        dynamic_cast<const vorn::StateSwitchAction*>(action->find(typeid(vorn::StateSwitchAction)));
    if (switched && switched->from().name == "appear" && switched->to().name == "default") showTutorial();
}

bool GameScene::showTutorial() {
    if (!level) return false;
    const std::string uid = level->uid();
    const vorn::Value& tutorials = vorn::Config::instance()->get("tutorials");
    const vorn::Value& path = tutorials.type() == vorn::Value::DICT ? tutorials.get(uid) : vorn::Value::null;
    if (path.isNil()) return false;

    const vorn::Value& resources = vorn::Config::instance()->get("tutorialResources");
    const vorn::Value& resource = resources.type() == vorn::Value::DICT ? resources.get(uid) : vorn::Value::null;
    if (resource.isSet()) {
        if (vorn::User* user = vorn::UserManager::instance()->currentUser()) {
            vorn::ResourceCounter& counter = user->getResource(resource.toString());
            // The lesson needs one unit to try the power-up with.
            if (counter.amount() <= 0) counter.add(1);
        } else {
            vorn::log("Tutorial of level %s: no player selected to give a %s to", uid.c_str(),
                      resource.toString().c_str());
        }
    }

    addChild(std::make_shared<vorn::Node>(path.toString()));
    setEnabled(false);
    tutorialPending_ = true;
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(1.0f), new vorn::FunctionAction([this](vorn::Node*) {
                                         // Cancelled meanwhile by the player's first action.
                                         if (!tutorialPending_) return;
                                         tutorialPending_ = false;
                                         pushState();
                                         setState("tutorial");
                                         setEnabled(true);
                                         treeLog::later(*this, "GameScene", "tutorial", 0.5f);
                                     })};
    runAction(new vorn::Sequence(steps, 2));
    tutorialShown = true;
    return true;
}

void GameScene::closeTutorial() {
    if (!tutorialShown) return;
    if (tutorialPending_) {
        // Not pushed yet: nothing to pop, and it must never be pushed now.
        tutorialPending_ = false;
        tutorialShown = false;
        setEnabled(true);
        return;
    }
    // Under another popup (a shop opened from it) the tutorial stays, to
    // close when it is on top again.
    if (getCurrentState() != "tutorial") return;
    tutorialShown = false;
    popState();
}
