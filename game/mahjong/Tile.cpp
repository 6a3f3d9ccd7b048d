#include "mahjong/Tile.h"

#include "app/Application.h"
#include "core/ResourceManager.h"
#include "mahjong/Board.h"
#include "mahjong/ScoreText.h"
#include "render/ImageData.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/Easing.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Scene.h"
#include "scene/SimpleActions.h"

#include <cstdio>

namespace mahjong {

namespace {

const char* const kTileSprite = "data/gfx/tiles/tile.sprite.xml";

} // namespace

Tile::Tile(int tileType) : type(tileType) {
    setAnchorCentered(true);
    if (type < 0) return;
    loadSprite(kTileSprite);
    if (type == 0) return;
    char face[64];
    std::snprintf(face, sizeof(face), "data/gfx/tiles/labels/%d.png", type);
    std::shared_ptr<vorn::ImageData> frame;
    bool fetched = false;
    for (const std::string& name : getAnimationNames()) {
        const std::shared_ptr<vorn::Node> animation = getAnimation(name);
        const std::shared_ptr<vorn::Node> label = animation ? animation->findChild("label", false) : nullptr;
        const auto image = std::dynamic_pointer_cast<vorn::Image>(label);
        if (!image) continue;
        if (!fetched) {
            frame = std::dynamic_pointer_cast<vorn::ImageData>(vorn::ResourceManager::instance()->getResource(face));
            fetched = true;
        }
        if (frame) image->setImageData(frame);
    }
}

Tile::~Tile() = default;

void Tile::loadSprite(const std::string& path) {
    loadFromFile(path);
    setAnchorCentered(true);
}

bool Tile::mouseDown(const glm::vec2& point, vorn::eButtonName) {
    glm::vec4 local;
    if (!hitTest(point, local)) return false;
    if (isLocked()) return true;
    if (const std::shared_ptr<Board> owner = board()) {
        owner->tileClicked(std::static_pointer_cast<Tile>(shared_from_this()));
    }
    return true;
}

bool Tile::canMatch(const std::shared_ptr<Tile>& other) { return other && tileTypesMatch(type, other->type); }

void Tile::refreshState() { showLockState(); }

void Tile::showLockState() { play(isLocked() ? "locked" : "default"); }

bool Tile::isLocked() {
    const std::shared_ptr<Board> owner = board();
    if (!owner) return false;
    const Board& b = *owner;
    return isLockedAt(position, static_cast<int>(width), static_cast<int>(height),
                      [&b](int x, int y, int z) { return b.occupied(x, y, z); });
}

bool Tile::select() {
    if (isLocked()) {
        play("locked");
        addEffectAtCenter("data/effects/locked_sound.xml");
        return false;
    }
    play("selected");
    addEffectAtCenter("data/effects/select_sound.xml");
    return true;
}

void Tile::showHint() { play("hint"); }

bool Tile::showsHint() const {
    const std::shared_ptr<vorn::Node> hint = getAnimation("hint");
    return hint && currentAnimation() == hint;
}

std::shared_ptr<Board> Tile::board() {
    vorn::Node* owner = parent();
    return owner ? std::dynamic_pointer_cast<Board>(owner->shared_from_this()) : nullptr;
}

void Tile::setGridPosition(const TilePosition& p, bool move) {
    position = p;
    if (move) setPosition(gridToPixels(p));
}

void Tile::animateTo(float delay, float seconds, bool eased, bool placeSound) {
    // Two moves side by side would fight over the position, and the one
    // that ends last would leave the tile away from its cell.
    stopMoving();
    moving_ = true;
    const std::shared_ptr<Board> owner = board();
    vorn::IntervalAction* move = new vorn::MoveToAction(pixelPosition(), seconds);
    if (eased) move = new vorn::EasingAction(move, vorn::QuadraticEaseOut);
    // The board is held until the tile lands: the final step sorts it.
    vorn::IntervalAction* steps[] = {
        new vorn::WaitAction(delay),
        move,
        new vorn::FunctionAction([owner, placeSound](vorn::Node* node) {
            auto* tile = dynamic_cast<Tile*>(node);
            if (!tile) return;
            tile->moving_ = false;
            // Exactly on the cell: the move's last step may miss it by a rounding.
            tile->setPosition(tile->pixelPosition());
            tile->showLockState();
            if (owner) owner->sortTiles();
            if (placeSound) tile->addEffectAtCenter("data/effects/tile_place_sound.xml");
            if (owner) owner->tileLanded();
        }),
    };
    runAction(new vorn::Sequence(steps, 3));
}

void Tile::stopMoving() {
    // Every move of a tile (the placements, the removal flight, the return
    // of an undo) holds a MoveToAction; its looks and effects hold none.
    vorn::ActionManager::instance()->removeTargetActions(this, typeid(vorn::MoveToAction), true);
    moving_ = false;
}

void Tile::animateInitial(float delay) {
    if (const std::shared_ptr<Board> owner = board()) owner->addChild(shared_from_this());
    setPosition(pixelPosition() - glm::vec2(0.0f, 2000.0f));
    animateTo(delay, 0.5f, true, true);
}

void Tile::animateReshuffle(float delay) { animateTo(delay, 0.5f, false, false); }

void Tile::animateUndo(float delay) { animateTo(delay, 2.5f, false, false); }

GoldTile::GoldTile() : Tile(kNoType) {
    type = kGoldType;
    loadSprite("data/gfx/tiles/gold.sprite.xml");
}

GoldTile::~GoldTile() = default;

BearTile::BearTile() : Tile(kNoType) {
    type = kBearType;
    loadSprite("data/gfx/tiles/bear.sprite.xml");
}

BearTile::~BearTile() = default;

bool BearTile::canMatch(const std::shared_ptr<Tile>&) { return false; }

void BearTile::refreshState() {
    const std::shared_ptr<Board> owner = board();
    if (!owner || isLocked()) {
        showLockState();
        return;
    }
    // It leaves at once, also in the middle of its deal.
    stopMoving();
    const auto self = std::static_pointer_cast<Tile>(shared_from_this());
    const std::shared_ptr<vorn::Scene> scene =
        vorn::Application::instance() ? vorn::Application::instance()->runningScene() : nullptr;
    const glm::vec3 world = getWorldPosition();
    if (scene) scene->addEffect("data/effects/remove_bear.xml", {world.x, world.y});
    const int points = static_cast<int>(owner->addScore(50));
    showScoreEffect(world, "+" + std::to_string(points));
    owner->addToLastUndo(self);
    owner->removeTile(self, true);
    owner->removeChild(self);
}

} // namespace mahjong
