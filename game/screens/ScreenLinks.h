#pragma once

#include <functional>
#include <memory>

namespace vorn {
class Scene;
}
class Level;

// What the map asks of the screens and the artifact collection that are
// built beside it. Each answers something usable while its counterpart is
// missing, and says so in the log.
namespace screenLinks {

// The game screen for a level; null without one.
std::shared_ptr<vorn::Scene> makeGameScene(const std::shared_ptr<Level>& level);
// The album; null without one.
std::shared_ptr<vorn::Scene> makeAlbumScene();
// Publishes "collectedPartsAvailable" and "collectedPartsCount" for the
// selected player.
void publishArtifactCounts();
// The selected player holds parts not yet placed in the album.
bool hasCollectedArtifactParts();

// Screens of the test's own in place of the game screen and the album;
// empty functions restore the real ones.
using GameSceneMaker = std::function<std::shared_ptr<vorn::Scene>(const std::shared_ptr<Level>&)>;
using AlbumSceneMaker = std::function<std::shared_ptr<vorn::Scene>()>;
void setSceneMakersForTesting(GameSceneMaker game, AlbumSceneMaker album);

} // namespace screenLinks
