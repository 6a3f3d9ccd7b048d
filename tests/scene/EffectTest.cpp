// Effects: placed from a node file, counted from their entry into the
// stage, and erased by their parent's draw when their time is over or when
// they are invisible and empty.
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Scheduler.h"
#include "scene/Effect.h"
#include "scene/Image.h"

#include "VisualFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using vorn::Effect;
using vorn::Node;

constexpr float dt = 1.0f / 16.0f;
// Frames of dt that make exactly five seconds.
constexpr int fiveSeconds = 80;

class Effects : public vorn::test::VisualFixture {
protected:
    void SetUp() override {
        holder = std::make_shared<Node>();
        holder->setSize({200, 100});
        holder->setPosition(300, 200);
        scene = run.run();
        scene->addChild(holder);
    }
    // A 40 x 20 effect holding one 10 x 10 picture; a file of its own each
    // time, as the resource manager keeps what it read.
    std::string burst(const std::string& rootAttributes = "", const std::string& children = "") {
        return file("burst" + std::to_string(++files) + ".xml", "<effect w=\"40\" h=\"20\" " + rootAttributes + "><image name=\"spark\" filename=\"" +
                                     picture("spark.png", 10, 10) + "\"/>" + children + "</effect>");
    }
    bool holds(const std::shared_ptr<Effect>& effect) const { return effect && effect->parent() == holder.get(); }

    std::shared_ptr<vorn::Scene> scene;
    std::shared_ptr<Node> holder;
    int files = 0;
};

TEST_F(Effects, TheParentErasesAnEffectAtItsFirstDrawAfterFiveSeconds) {
    const auto effect = holder->addEffect(burst(), {50, 60});
    ASSERT_TRUE(holds(effect));
    EXPECT_EQ(holder->lastChild(), effect);
    EXPECT_TRUE(effect->isOnStage());
    EXPECT_TRUE(effect->findChild("spark", false)->isAutoRemove()) << "its whole tree is flagged";
    run.step(dt, fiveSeconds);
    EXPECT_EQ(effect->getElapsed(), 5.0f);
    EXPECT_TRUE(holds(effect)) << "exactly five seconds is not over";
    run.step(dt);
    EXPECT_FALSE(holds(effect));
    EXPECT_TRUE(holder->children().empty());
}

// An effect plays over what the player is about to click: a press lands on
// the node under it, even on the one point a sound of no size covers.
TEST_F(Effects, AnEffectNeverTakesAPress) {
    auto target = std::make_shared<Node>();
    target->setSize({200, 100});
    holder->addChild(target);
    int presses = 0;
    vorn::EventDispatcher::instance()->addListener(target.get(), typeid(vorn::MouseDownEvent),
                                                   [&presses](vorn::Event*) { ++presses; });
    holder->addEffect(burst(), {100, 50});
    holder->addEffectAtCenter(file("silent.xml", "<effect/>"));
    run.step(dt);
    scene->mouseDown({400, 250}, vorn::BUTTON_LEFT);
    scene->mouseDown({390, 245}, vorn::BUTTON_LEFT);
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(presses, 2);
}

TEST_F(Effects, AnEffectIsCentredOnItsPointWhateverItsFileSays) {
    const auto placed = holder->addEffect(burst("x=\"500\" y=\"7\""), {50, 60});
    EXPECT_EQ(placed->getPosition(), glm::vec2(50, 60));
    EXPECT_TRUE(placed->isAnchorCentered());
    EXPECT_EQ(placed->getAnchor(), glm::vec2(20, 10));
    const auto centred = holder->addEffect(burst("anchor=\"center\""), {0, 0});
    EXPECT_EQ(centred->getAnchor(), glm::vec2(20, 10));
    const auto middle = holder->addEffectAtCenter(burst());
    EXPECT_EQ(middle->getPosition(), glm::vec2(100, 50));
    EXPECT_EQ(holder->children().size(), 3u);

    // Drawn around the point: the last one's 40 x 20 box from (380, 240)
    // on screen, its picture at the box's corner.
    run.render.batches.clear();
    run.step(dt);
    ASSERT_EQ(run.render.batches.size(), 1u);
    ASSERT_EQ(run.render.batches[0].vertexCount, 12u);
    EXPECT_EQ(run.render.batches[0].vertices[8].x, 300.0f + 100 - 20);
    EXPECT_EQ(run.render.batches[0].vertices[8].y, 200.0f + 50 - 10);
}

TEST_F(Effects, AnInvisibleEmptyEffectGoesAtOnceAndEmptiedPartsGoFirst) {
    const auto empty = holder->addEffect(file("empty.xml", R"(<effect visible="0"/>)"), {0, 0});
    ASSERT_TRUE(holds(empty));
    run.step(dt);
    EXPECT_FALSE(holds(empty));

    // A part that ends up hidden goes at the effect's next draw; the
    // effect itself stays while it is visible.
    const auto effect = holder->addEffect(burst(), {0, 0});
    effect->findChild("spark", false)->setVisible(false);
    run.step(dt);
    EXPECT_TRUE(effect->children().empty());
    EXPECT_TRUE(holds(effect));
    effect->setVisible(false);
    run.step(dt);
    EXPECT_FALSE(holds(effect));
}

TEST_F(Effects, TimeCountsFromTheFirstEntryOnlyOncePerFrame) {
    auto away = std::make_shared<Node>();
    const auto effect = away->addEffect(burst(), {0, 0});
    run.step(dt, 2 * fiveSeconds);
    EXPECT_EQ(effect->getElapsed(), 0.0f);
    EXPECT_EQ(effect->parent(), away.get());

    // In and out of the stage twice: still scheduled once, so four and a
    // half seconds are not counted as nine.
    scene->addChild(away);
    scene->removeChild(away);
    away->exitStage();
    scene->addChild(away);
    EXPECT_EQ(vorn::Scheduler::instance()->count(effect.get()), 1u);
    run.step(dt, 72);
    EXPECT_EQ(effect->getElapsed(), 4.5f);
    EXPECT_EQ(effect->parent(), away.get());

    // Off the stage the time runs on, but nobody draws it away.
    scene->removeChild(away);
    away->exitStage();
    run.step(dt, 16);
    EXPECT_EQ(effect->getElapsed(), 5.5f);
    EXPECT_EQ(effect->parent(), away.get());
    scene->addChild(away);
    run.step(dt);
    EXPECT_TRUE(away->children().empty());
}

TEST_F(Effects, AStateSwitchReachesTheEffectButNotItsParts) {
    const auto effect = holder->addEffect(
        burst("", R"(<state name="lit" color="FF0000"/><image name="glow" w="4" h="4">
                       <state name="lit" color="00FF00"/></image>)"),
        {0, 0});
    EXPECT_TRUE(effect->isStateStop());
    holder->switchState("lit", 0.0f, 0.0f, true);
    EXPECT_EQ(effect->getColor().toARGB(), 0xFFFF0000u);
    EXPECT_EQ(effect->findChild("glow", false)->getColor().toARGB(), 0xFFFFFFFFu);
}

TEST_F(Effects, AFileThatIsNoNodeFileAddsNothing) {
    vorn::test::LogCapture log;
    EXPECT_EQ(holder->addEffect(file("bad.xml", "<effect"), {0, 0}), nullptr);
    EXPECT_EQ(holder->addEffectAtCenter("data/effects/nowhere.xml"), nullptr);
    EXPECT_TRUE(holder->children().empty());
    EXPECT_EQ(log.count("not added"), 2) << log.text();
}

TEST_F(Effects, AnEffectElementOfASceneFilePlaysWhereItStands) {
    start("<scene><effect name=\"fx\" x=\"30\" y=\"40\"><image filename=\"" + picture("p.png", 8, 8) +
          "\"/></effect></scene>");
    const auto effect = std::dynamic_pointer_cast<Effect>(find("fx"));
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->getPosition(), glm::vec2(30, 40));
    EXPECT_FALSE(effect->isAnchorCentered());
    run.step(dt, fiveSeconds + 1);
    EXPECT_EQ(find("fx"), nullptr);
}

} // namespace
