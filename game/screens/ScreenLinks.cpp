#include "screens/ScreenLinks.h"

#include "core/DataSource.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "scene/Scene.h"
#include "screens/AlbumScene.h"
#include "screens/ArtifactManager.h"
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
    return std::make_shared<AlbumScene>();
}

void publishArtifactCounts() { ArtifactManager::instance()->publishCounts(); }

bool hasCollectedArtifactParts() { return !ArtifactManager::instance()->collectedParts().empty(); }

} // namespace screenLinks
