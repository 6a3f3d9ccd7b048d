// The flight of a removed pair to the "lastTiles" area of the game screen.
#include "mahjong/Board.h"

#include "app/Application.h"
#include "mahjong/Tile.h"
#include "scene/CompositeActions.h"
#include "scene/Easing.h"
#include "scene/Effect.h"
#include "scene/Scene.h"
#include "scene/SimpleActions.h"

#include <algorithm>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/matrix.hpp>

namespace mahjong {

namespace {

struct FlightFiles {
    const char* start;
    const char* startSound;
    const char* aboveStack;
    const char* aboveStackSound;
    const char* place;
    const char* placeSound;
};

constexpr FlightFiles kPair = {
    "data/effects/remove_start.xml",       "data/effects/remove_start_sound.xml",
    "data/effects/remove_above_stack.xml", "data/effects/remove_above_stack_sound.xml",
    "data/effects/remove_place.xml",       "data/effects/remove_place_sound.xml",
};

constexpr FlightFiles kGoldPair = {
    "data/effects/remove_gold_start.xml",       "data/effects/remove_gold_start_sound.xml",
    "data/effects/remove_gold_above_stack.xml", "data/effects/remove_gold_above_stack_sound.xml",
    "data/effects/remove_gold_place.xml",       "data/effects/remove_gold_place_sound.xml",
};

constexpr float kGrowth = 1.3f;

// The scale a node's world transform applies along each axis.
glm::vec2 worldScale(vorn::Node& node) {
    const glm::mat4 m = node.getWorldTransform();
    return {glm::length(glm::vec2(m[0][0], m[0][1])), glm::length(glm::vec2(m[1][0], m[1][1]))};
}

// A point of one node's space in another's.
glm::vec2 between(vorn::Node& from, vorn::Node& to, const glm::vec2& point) {
    const glm::vec4 world = from.getWorldTransform() * glm::vec4(point.x, point.y, 0.0f, 1.0f);
    const glm::vec4 local = glm::inverse(to.getWorldTransform()) * world;
    return {local.x, local.y};
}

// How far the pair's hover point must move so that two tiles side by side,
// each halfSize x 2 around its centre in the scene's space, stay on the
// screen: the scene's own rectangle, less a margin.
glm::vec2 keepOnScreen(const vorn::Node& scene, const glm::vec2& centre, const glm::vec2& pairHalfSize) {
    constexpr float kMargin = 8.0f;
    const glm::vec2 room = scene.getSize();
    glm::vec2 moved = centre;
    for (int axis = 0; axis < 2; ++axis) {
        const float low = pairHalfSize[axis] + kMargin;
        const float high = room[axis] - pairHalfSize[axis] - kMargin;
        // Wider than the screen: centred on it.
        moved[axis] = low > high ? 0.5f * room[axis] : std::clamp(centre[axis], low, high);
    }
    return moved - centre;
}

vorn::IntervalAction* easedTogether(const glm::vec2& position, const glm::vec2& scale) {
    vorn::IntervalAction* together[] = {
        new vorn::EasingAction(new vorn::MoveToAction(position, 0.5f), vorn::QuadraticEaseOut),
        new vorn::EasingAction(new vorn::ScaleAction(scale, 0.5f), vorn::QuadraticEaseOut),
    };
    return new vorn::Spawn(together, 2);
}

} // namespace

void Board::animateRemove(const std::shared_ptr<Tile>& first, const std::shared_ptr<Tile>& second) {
    if (!first || !second) return;
    std::shared_ptr<Tile> left = first;
    std::shared_ptr<Tile> right = second;
    if (first->gridPosition().x > second->gridPosition().x) std::swap(left, right);
    const FlightFiles& files = dynamic_cast<GoldTile*>(left.get()) ? kGoldPair : kPair;
    // A pair taken while it still flies in from the deal leaves from where
    // it is drawn; its placement would otherwise go on inside lastTiles.
    left->stopMoving();
    right->stopMoving();

    vorn::Application* app = vorn::Application::instance();
    const std::shared_ptr<vorn::Scene> scene = app ? app->runningScene() : nullptr;
    const std::shared_ptr<vorn::Node> lastTiles = scene ? scene->findNode("lastTiles") : nullptr;
    const std::shared_ptr<vorn::Node> lastTilesEffect = scene ? scene->findNode("lastTilesEffect") : nullptr;
    if (!lastTiles || !lastTilesEffect) {
        // Nowhere to fly to: the pair simply leaves the board.
        for (const auto& tile : {left, right}) {
            removeChild(tile);
            tile->setEnabled(false);
        }
        return;
    }

    addChild(left);
    addChild(right);
    left->showLockState();
    right->showLockState();
    const glm::vec3 leftWorld = left->getWorldPosition();
    const glm::vec3 rightWorld = right->getWorldPosition();
    scene->addEffect(files.start, {leftWorld.x, leftWorld.y});
    scene->addEffect(files.start, {rightWorld.x, rightWorld.y});
    scene->addEffectAtCenter(files.startSound);

    // The tiles fly inside lastTiles: every point and scale is taken into
    // its space, whatever its place and scale on the screen.
    const glm::vec2 boardScale = worldScale(*this);
    const glm::vec2 areaScale = worldScale(*lastTiles);
    const glm::vec2 scale(areaScale.x > 0.0f ? boardScale.x / areaScale.x : 1.0f,
                          areaScale.y > 0.0f ? boardScale.y / areaScale.y : 1.0f);
    const float tileHeight = left->getSize().y;
    // A tile without a picture has no height to fill the area with.
    const float k = tileHeight > 0.0f ? lastTiles->getSize().y / tileHeight : 1.0f;
    const float w = left->getSize().x;
    const glm::mat4 toArea = glm::inverse(lastTiles->getWorldTransform());
    const glm::vec2 centre = lastTiles->halfSize();
    const auto self = std::static_pointer_cast<Board>(shared_from_this());
    // Grown above the stack the pair is wider than a side column: it rises
    // as near to the stack as the screen lets the whole pair be seen.
    const glm::vec2 sceneScale = worldScale(*scene);
    const glm::vec2 grownOnScene = boardScale * kGrowth / glm::max(sceneScale, glm::vec2(1e-6f));
    const glm::vec2 pairHalfSize(grownOnScene.x * w, 0.5f * grownOnScene.y * tileHeight);
    const glm::vec2 centreOnScene = between(*lastTiles, *scene, centre);
    const glm::vec2 hoverOnScene = centreOnScene + keepOnScreen(*scene, centreOnScene, pairHalfSize);
    const glm::vec2 lift = between(*scene, *lastTiles, hoverOnScene) - centre;

    for (const auto& tile : {left, right}) {
        const bool isLeft = tile == left;
        const float side = isLeft ? -1.0f : 1.0f;
        const glm::vec3 world = isLeft ? leftWorld : rightWorld;
        const glm::vec4 local = toArea * glm::vec4(world.x, world.y, 0.0f, 1.0f);
        tile->setPosition({local.x, local.y});
        tile->setScale(scale);
        tile->setEnabled(false);
        lastTiles->addChild(tile);

        const glm::vec2 grown = scale * kGrowth;
        vorn::IntervalAction* steps[] = {
            easedTogether(centre + lift + glm::vec2(side * 0.5f * grown.x * w, 0.0f), grown),
            new vorn::FunctionAction([=](vorn::Node*) {
                const glm::vec2 h = lastTiles->halfSize() + lift;
                lastTiles->addEffect(files.aboveStack, {h.x + side * 0.5f * scale.x * w, h.y});
                if (isLeft) scene->addEffectAtCenter(files.aboveStackSound);
            }),
            new vorn::WaitAction(0.3f),
            easedTogether(centre + glm::vec2(side * 0.5f * k * w, 0.0f), glm::vec2(k, k)),
            new vorn::FunctionAction([=](vorn::Node*) {
                const glm::vec2 h = lastTiles->halfSize();
                const glm::vec2 p(h.x + side * 0.5f * k * w, h.y);
                lastTilesEffect->addEffect(files.place, between(*lastTiles, *lastTilesEffect, p));
                if (isLeft) scene->addEffectAtCenter(files.placeSound);
                tile->setPosition(p);
                lastTiles->addChild(tile);
                (void)self;
            }),
        };
        tile->runAction(new vorn::Sequence(steps, 5));
    }
}

} // namespace mahjong
