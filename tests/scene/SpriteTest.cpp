// Sprites: "default" on every stage entry, other animations on request and
// the fall back to "default" when one ends, the animation list read from
// sprite files, and animations that outlive their sprite.
#include "scene/Animation.h"
#include "scene/Image.h"
#include "scene/Sprite.h"

#include "VisualFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Animation;
using vorn::Node;
using vorn::Sprite;

constexpr float dt = 1.0f / 16.0f;

class Sprites : public vorn::test::VisualFixture {
protected:
    // A 64 x 48 sprite whose "default" loops over two frames and whose
    // "blink" runs once over two frames of a quarter second.
    std::string spriteFile(const std::string& more = "") {
        return file("tile.sprite.xml", R"(<sprite w="64" h="48">
              <animations>
                <animation name="blink" frame_time="0.25" loop="0">
                  <frame filename=")" + b0 + R"("/><frame filename=")" + b1 + R"("/>
                </animation>
                <animation name="default" frame_time="0.25">
                  <frame filename=")" + d0 + R"("/><frame filename=")" + d1 + R"("/>
                </animation>)" + more + R"(
              </animations>
              <image name="label" w="10" h="10"/>
            </sprite>)");
    }
    std::shared_ptr<Sprite> onStage(const std::string& more = "") {
        auto sprite = std::make_shared<Sprite>(spriteFile(more));
        run.run()->addChild(sprite);
        return sprite;
    }
    static std::string shownName(const Sprite& sprite) {
        return sprite.currentAnimation() ? sprite.currentAnimation()->getName() : "(none)";
    }

    const std::string d0 = picture("d0.png", 16, 16);
    const std::string d1 = picture("d1.png", 16, 16);
    const std::string b0 = picture("b0.png", 16, 16);
    const std::string b1 = picture("b1.png", 16, 16);
};

TEST_F(Sprites, EnteringTheStageShowsDefaultCentredAndSized) {
    const auto sprite = onStage();
    EXPECT_EQ(sprite->getAnimationNames(), (std::vector<std::string>{"blink", "default"}));
    ASSERT_EQ(shownName(*sprite), "default");
    const auto& shown = sprite->currentAnimation();
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->isOnStage());
    EXPECT_EQ(shown->getSize(), glm::vec2(64, 48));
    EXPECT_EQ(shown->getPosition(), glm::vec2(32, 24));
    EXPECT_TRUE(shown->isAnchorCentered());
    EXPECT_TRUE(shown->hasState("default"));
    // The container holds the shown animation alone; others hang nowhere.
    ASSERT_EQ(sprite->children().size(), 2u);
    EXPECT_EQ(sprite->children()[0]->children(), (Node::Children{shown}));
    EXPECT_EQ(sprite->children()[1]->getName(), "label");
    const auto blink = sprite->getAnimation("blink");
    EXPECT_EQ(blink->parent(), nullptr);
    EXPECT_FALSE(blink->isVisible());
    EXPECT_FALSE(blink->isOnStage());
    EXPECT_EQ(sprite->getAnimation("walk"), nullptr);

    // Drawn where the sprite is, at its size.
    run.render.batches.clear();
    run.step(dt);
    bool drewDefault = false;
    for (const auto& b : run.render.batches) {
        if (b.texture == frameOf(d0)->getTexture()) {
            drewDefault = true;
            EXPECT_EQ(b.vertices[0].x, 0.0f);
            EXPECT_EQ(b.vertices[2].x, 64.0f);
            EXPECT_EQ(b.vertices[2].y, 48.0f);
        }
    }
    EXPECT_TRUE(drewDefault);
}

TEST_F(Sprites, AnAnimationThatEndsFallsBackToDefaultBeforeTheFinishFunctionRuns) {
    const auto sprite = onStage();
    std::vector<std::string> seen;
    sprite->play("blink", [&] { seen.push_back("finished while showing " + shownName(*sprite)); });
    EXPECT_EQ(shownName(*sprite), "blink");
    run.step(dt, 7);
    EXPECT_EQ(shownName(*sprite), "blink");
    EXPECT_EQ(std::dynamic_pointer_cast<Animation>(sprite->currentAnimation())->frameIndex(), 1);
    run.step(dt);
    EXPECT_EQ(shownName(*sprite), "default");
    EXPECT_EQ(seen, (std::vector<std::string>{"finished while showing default"}));
    const auto blink = sprite->getAnimation("blink");
    EXPECT_FALSE(blink->isOnStage());
    EXPECT_FALSE(blink->isVisible());
    run.step(dt, 20);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(shownName(*sprite), "default");

    // Played again, it starts from its first frame.
    sprite->play("blink");
    run.step(dt);
    EXPECT_EQ(std::dynamic_pointer_cast<Animation>(sprite->currentAnimation())->frameIndex(), 0);
}

TEST_F(Sprites, APlayBeforeTheStageGivesWayToDefaultAndUnknownNamesChangeNothing) {
    auto sprite = std::make_shared<Sprite>(spriteFile());
    sprite->play("blink");
    EXPECT_TRUE(sprite->isSetUp());
    EXPECT_EQ(shownName(*sprite), "blink");
    run.run()->addChild(sprite);
    EXPECT_EQ(shownName(*sprite), "default");
    sprite->play("walk");
    EXPECT_EQ(shownName(*sprite), "default");
    EXPECT_TRUE(sprite->currentAnimation()->isOnStage());
}

TEST_F(Sprites, ResizingFitsOnlyTheShownAnimation) {
    const auto sprite = onStage();
    sprite->setSize({100, 80});
    EXPECT_EQ(sprite->currentAnimation()->getSize(), glm::vec2(100, 80));
    EXPECT_EQ(sprite->currentAnimation()->getPosition(), glm::vec2(50, 40));
    EXPECT_EQ(sprite->currentAnimation()->getAnchor(), glm::vec2(50, 40));
    EXPECT_EQ(sprite->getAnimation("blink")->getSize(), glm::vec2(64, 48));
    sprite->play("blink");
    EXPECT_EQ(sprite->getAnimation("blink")->getSize(), glm::vec2(100, 80));
}

TEST_F(Sprites, ALaterAnimationOfTheSameNameReplacesTheEarlier) {
    const auto sprite = onStage(R"(<image name="blink" w="5" h="5"/><nothing name="x"/>)");
    EXPECT_EQ(sprite->getAnimationNames(), (std::vector<std::string>{"blink", "default"}));
    EXPECT_NE(std::dynamic_pointer_cast<vorn::Image>(sprite->getAnimation("blink")), nullptr);
}

// Any node can be an animation; the end of its action file brings back
// "default".
TEST_F(Sprites, TheEndOfAnAnimationsActionBringsBackDefault) {
    const std::string action = file("nudge.xml", R"(<move d="0.5" x="10"/>)");
    const auto sprite = onStage(R"(<container name="nudge" action=")" + action + R"("/>)");
    sprite->play("nudge");
    run.step(dt, 7);
    EXPECT_EQ(shownName(*sprite), "nudge");
    run.step(dt, 2);
    EXPECT_EQ(shownName(*sprite), "default");
}

TEST_F(Sprites, LeavingTheStageKeepsTheShownAnimationAndResetDropsTheChildren) {
    const auto sprite = onStage();
    sprite->play("blink");
    run.app.runningScene()->removeChild(sprite);
    sprite->exitStage();
    EXPECT_EQ(shownName(*sprite), "blink");
    EXPECT_FALSE(sprite->currentAnimation()->isOnStage());
    sprite->reset();
    EXPECT_EQ(shownName(*sprite), "(none)");
    EXPECT_TRUE(sprite->children().empty());
    EXPECT_EQ(sprite->getAnimationNames().size(), 2u);
}

TEST_F(Sprites, ASpriteFileWithoutAnimationsShowsNothing) {
    auto sprite = std::make_shared<Sprite>(file("bare.xml", R"(<sprite w="10" h="10"><image/></sprite>)"));
    run.run()->addChild(sprite);
    EXPECT_EQ(shownName(*sprite), "(none)");
    EXPECT_EQ(sprite->children().size(), 1u);
}

// The animations' callbacks once held a plain pointer to their sprite: an
// animation kept by someone else then reached a destroyed sprite.
TEST_F(Sprites, AnAnimationThatOutlivesItsSpriteReachesNothing) {
    auto sprite = onStage();
    sprite->play("blink");
    const std::shared_ptr<Node> blink = sprite->getAnimation("blink");
    const std::weak_ptr<Sprite> watch = sprite;
    run.app.runningScene()->removeChild(sprite);
    sprite.reset();
    ASSERT_TRUE(watch.expired());
    ASSERT_TRUE(blink->actionFinishedCallback());
    blink->actionFinishedCallback()(nullptr);
    EXPECT_FALSE(blink->isOnStage());

    // Also when its own end arrives while it is still scheduled.
    auto second = onStage();
    second->play("blink");
    const std::shared_ptr<Node> held = second->getAnimation("blink");
    run.app.runningScene()->removeChild(second);
    second.reset();
    held->enterStage();
    run.step(dt, 10);
    EXPECT_TRUE(held->isOnStage());
}

// The sprite made by the node factory from a scene file behaves the same.
TEST_F(Sprites, AScenesSpriteElementPlaysDefault) {
    const std::string sprite = spriteFile();
    start(R"(<scene><sprite name="s" x="10" y="10" content=")" + sprite + R"("/></scene>)");
    const auto s = std::dynamic_pointer_cast<Sprite>(find("s"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getPosition(), glm::vec2(10, 10));
    EXPECT_EQ(shownName(*s), "default");
}

} // namespace
