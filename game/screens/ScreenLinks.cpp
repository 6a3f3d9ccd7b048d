#include "screens/ScreenLinks.h"

#include "core/DataSource.h"
#include "core/Log.h"
#include "core/User.h"
#include "core/UserManager.h"
#include "scene/Scene.h"
#include "screens/GameScene.h"

#include <utility>

namespace screenLinks {

namespace {

GameSceneMaker& gameMaker() {
    static GameSceneMaker maker;
    return maker;
}

AlbumSceneMaker& albumMaker() {
    static AlbumSceneMaker maker;
    return maker;
}

// The parts the selected player holds and has not placed, as the
// collection keeps them in the profile.
long long collectedCount() {
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (!user) return 0;
    const vorn::Value& parts = user->getValue("collectedParts");
    return parts.type() == vorn::Value::ARRAY ? static_cast<long long>(parts.size()) : 0;
}

} // namespace

void setSceneMakersForTesting(GameSceneMaker game, AlbumSceneMaker album) {
    gameMaker() = std::move(game);
    albumMaker() = std::move(album);
}

std::shared_ptr<vorn::Scene> makeGameScene(const std::shared_ptr<Level>& level) {
    if (gameMaker()) return gameMaker()(level);
    if (!level) return nullptr;
    return std::make_shared<GameScene>(level);
}

std::shared_ptr<vorn::Scene> makeAlbumScene() {
    if (albumMaker()) return albumMaker()();
    vorn::log("screenLinks: no album in this build");
    return nullptr;
}

void publishArtifactCounts() {
    const long long count = collectedCount();
    vorn::DataSource::get("collectedPartsAvailable")->set(vorn::Value(count > 0));
    vorn::DataSource::get("collectedPartsCount")->set(vorn::Value(count));
}

bool hasCollectedArtifactParts() { return collectedCount() > 0; }

} // namespace screenLinks
