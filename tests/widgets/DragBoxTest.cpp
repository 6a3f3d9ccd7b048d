// Drag boxes driven by pointer paths at a fixed frame time: what is a click
// and what a drag, the stops a release snaps to, inertia after a flick,
// slides that replace each other, the binding to a data source both ways,
// and the wheel.
#include "widgets/DragBox.h"

#include "core/DataSource.h"
#include "core/InputEvents.h"
#include "core/Scheduler.h"
#include "scene/ActionManager.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::DragBox;

constexpr float frame = 1.0f / 60.0f;

// A box at (100, 100), 400 x 200, with one item at the top left of its
// content; attributes and stops are the case's.
std::string boxScene(const std::string& attributes, const std::string& stops = "") {
    return R"~(<scene>
  <dragbox name="box" x="100" y="100" w="400" h="200" )~" +
           attributes + R"~(>
    <container name="item" x="0" y="0" w="100" h="100"/>
    )~" + stops + R"~(
  </dragbox>
</scene>)~";
}

const char* const horizontal = R"~(min_displacement_x="-1000" max_displacement_x="0")~";
const char* const threeStops = R"~(<stops>
      <stop name="first" x="0" on_activate="count('first')"/>
      <stop name="second" x="-400" on_activate="count('second')"/>
      <stop name="third" x="-800" on_activate="count('third')"/>
    </stops>)~";

class DragBoxes : public vorn::test::WidgetFixture {
protected:
    void SetUp() override {
        WidgetFixture::SetUp();
        DragBox::setClockForTesting([this] { return clockNs; });
    }
    void TearDown() override { DragBox::setClockForTesting({}); }

    // Frames pass between the points of the path; the press is at the first
    // point and the release at the last.
    void drag(const std::vector<glm::vec2>& path, float dt = frame) {
        press(path.front().x, path.front().y);
        for (std::size_t i = 1; i < path.size(); ++i) {
            frames(1, dt);
            move(path[i].x, path[i].y);
        }
        release(path.back().x, path.back().y);
    }
    void frames(int n, float dt = frame) {
        for (int i = 0; i < n; ++i) {
            clockNs += static_cast<std::int64_t>(std::llround(static_cast<double>(dt) * 1e9));
            run.step(dt);
        }
    }
    std::shared_ptr<DragBox> box() { return find<DragBox>("box"); }
    float dx() { return box()->getDisplacement().x; }

    std::int64_t clockNs = 1'000'000'000;
};

struct Gesture {
    std::string name;
    std::string attributes;
    std::string stops;
    float startX;
    std::vector<glm::vec2> path;
    int clicks;
    float endX;
    std::vector<std::string> scripts;
};

void PrintTo(const Gesture& g, std::ostream* os) { *os << g.name; }

class Gestures : public DragBoxes, public ::testing::WithParamInterface<Gesture> {};

TEST_P(Gestures, APathEndsInAClickASnapOrAFling) {
    const Gesture& g = GetParam();
    start(boxScene(g.attributes, g.stops));
    box()->setDisplacement({g.startX, 0, 0});
    run.step(0.0f);
    auto clicks = listen(find("item").get(), typeid(vorn::MouseUpEvent));
    drag(g.path);
    frames(240);
    EXPECT_EQ(*clicks, g.clicks);
    EXPECT_FLOAT_EQ(dx(), g.endX);
    EXPECT_EQ(calls, g.scripts);
    EXPECT_FALSE(box()->hasInertia());
    EXPECT_FALSE(box()->isSliding());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Gestures,
    ::testing::Values(
        // Under 20 pixels the child under the release gets the whole click;
        // the box stays where the small drag left it.
        Gesture{"NineteenPixelsIsAClick", horizontal, "", 0, {{150, 150}, {140, 150}, {131, 150}}, 1, -19, {}},
        Gesture{"NineteenPixelsDiagonallyIsAClick", horizontal, "", 0, {{150, 150}, {138, 135}}, 1, -12, {}},
        Gesture{"TwentyPixelsIsNoClick", horizontal, threeStops, 0, {{150, 150}, {140, 150}, {130, 150}}, 0, 0,
                {"first"}},
        Gesture{"AShortDragBackSnapsToTheStopItLeft", horizontal, threeStops, -400,
                {{300, 150}, {330, 150}, {360, 150}}, 0, -400, {"second"}},
        // -390 dragged 30 to the left aims at -420: the middle stop.
        Gesture{"TheDragIsExtendedOnceMore", horizontal, threeStops, -390, {{300, 150}, {285, 150}, {270, 150}}, 0,
                -400, {"second"}},
        Gesture{"ALongDragReachesTheNextStop", horizontal, threeStops, 0,
                {{450, 150}, {350, 150}, {250, 150}, {200, 150}}, 0, -400, {"second"}},
        Gesture{"AHugeDragStopsAtTheLastStop", horizontal, threeStops, 0, {{490, 150}, {110, 150}}, 0, -800,
                {"third"}},
        Gesture{"AVerticalMoveOfAHorizontalBoxIsAClickOnlyIfShort", horizontal, "", 0,
                {{150, 150}, {150, 190}}, 0, 0, {}},
        Gesture{"DefaultLimitsHoldTheBoxStill", "", "", 0, {{400, 150}, {300, 150}, {200, 150}}, 0, 0, {}},
        Gesture{"AMinimumAboveTheMaximumPinsTheAxisAtTheMaximum",
                R"~(min_displacement_x="50" max_displacement_x="-50")~", "", 0, {{150, 150}, {300, 150}}, 0, -50, {}}),
    [](const ::testing::TestParamInfo<Gesture>& param) { return param.param.name; });

TEST_F(DragBoxes, AFlickCarriesOnAndSlowsDownEvenly) {
    start(boxScene(R"~(min_displacement_x="-5000" max_displacement_x="0")~"));
    // 300 pixels in 0.1 s: 3000 pixels per second on release.
    drag({{480, 150}, {430, 150}, {380, 150}, {330, 150}, {280, 150}, {230, 150}, {180, 150}});
    EXPECT_FLOAT_EQ(box()->getVelocity().x, -3000.0f);
    EXPECT_FLOAT_EQ(dx(), -300.0f);
    EXPECT_TRUE(box()->hasInertia());
    frames(1);
    EXPECT_NEAR(dx(), -350.0f, 0.01f);
    EXPECT_NEAR(box()->getVelocity().x, -2950.0f, 0.01f);
    frames(58);
    EXPECT_TRUE(box()->hasInertia());
    frames(2);
    EXPECT_FALSE(box()->hasInertia());
    EXPECT_EQ(vorn::Scheduler::instance()->count(box().get()), 0u);
    // Half of v squared over the deceleration: 1500 pixels, give or take a frame.
    EXPECT_NEAR(dx(), -300.0f - 1500.0f, 50.0f);
}

TEST_F(DragBoxes, AFlickIsStoppedByTheLimitsAndByTheNextPress) {
    start(boxScene(horizontal));
    drag({{480, 150}, {330, 150}});
    frames(10);
    const float where = dx();
    EXPECT_LT(where, -150.0f);
    press(300, 150);
    EXPECT_FALSE(box()->hasInertia());
    frames(5);
    EXPECT_EQ(dx(), where);
    release(300, 150);

    drag({{480, 150}, {180, 150}});
    frames(600);
    EXPECT_EQ(dx(), -1000.0f);
}

TEST_F(DragBoxes, AReleaseInTheSameInstantAsItsPressFlingsAtAFiniteSpeed) {
    start(boxScene(horizontal));
    press(300, 150);
    move(260, 150);
    release(260, 150);
    const glm::vec2 v = box()->getVelocity();
    EXPECT_TRUE(std::isfinite(v.x));
    EXPECT_FLOAT_EQ(v.x, -40.0f * 60.0f);
    EXPECT_EQ(v.y, 0.0f);
    frames(60);
    EXPECT_TRUE(std::isfinite(dx()));
    EXPECT_FALSE(box()->hasInertia());
}

TEST_F(DragBoxes, InertiaEndsWhenTheBoxLeavesTheStage) {
    auto scene = start(boxScene(horizontal));
    drag({{480, 150}, {380, 150}});
    ASSERT_TRUE(box()->hasInertia());
    auto kept = box();
    scene->removeChild(kept);
    kept->exitStage();
    EXPECT_EQ(vorn::Scheduler::instance()->count(kept.get()), 0u);
    const float where = kept->getDisplacement().x;
    frames(30);
    EXPECT_EQ(kept->getDisplacement().x, where);
    scene->addChild(kept);
    frames(30);
    EXPECT_EQ(kept->getDisplacement().x, where);
}

TEST_F(DragBoxes, LeavingTheStageInTheMiddleOfADragLetsThePointerGo) {
    auto scene = start(boxScene(horizontal));
    press(300, 150);
    move(250, 150);
    ASSERT_EQ(scene->mouseCapture(), box());
    auto kept = box();
    scene->removeChild(kept);
    kept->exitStage();
    EXPECT_EQ(scene->mouseCapture(), nullptr);
    EXPECT_FALSE(kept->isDragging());
    release(250, 150);
    EXPECT_FALSE(kept->hasInertia());
}

TEST_F(DragBoxes, ANewSlideReplacesTheOneRunning) {
    start(boxScene(horizontal));
    box()->slideTo({-900, 0});
    frames(20);
    const float midway = dx();
    ASSERT_LT(midway, -100.0f);
    ASSERT_GT(midway, -900.0f);
    box()->slideTo({-100, 0});
    frames(120);
    EXPECT_FLOAT_EQ(dx(), -100.0f);
    EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(box().get()));
}

TEST_F(DragBoxes, APressStopsASlide) {
    start(boxScene(horizontal, threeStops));
    box()->slideToStop("third");
    EXPECT_EQ(calls, std::vector<std::string>{"third"});
    frames(10);
    const float where = dx();
    ASSERT_LT(where, 0.0f);
    ASSERT_GT(where, -800.0f);
    press(300, 150);
    frames(60);
    EXPECT_EQ(dx(), where);
    // The drag that follows is the pointer's alone.
    move(250, 150);
    frames(5);
    EXPECT_FLOAT_EQ(dx(), where - 50.0f);
    release(250, 150);
}

TEST_F(DragBoxes, StopsByNameAndFlingsTowardAStop) {
    start(boxScene(horizontal, threeStops));
    box()->jumpToStop("second");
    EXPECT_EQ(dx(), -400.0f);
    box()->jumpToStop("nowhere");
    box()->slideToStop("nowhere");
    EXPECT_EQ(calls, std::vector<std::string>{"second"});

    box()->setDisplacement({-390, 0, 0});
    box()->slide({-10, 0});
    frames(60);
    EXPECT_EQ(dx(), -400.0f);
    box()->slide({-10, 0});
    frames(60);
    EXPECT_EQ(dx(), -800.0f);
    box()->slide({-10, 0});
    frames(60);
    EXPECT_EQ(dx(), -800.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"second", "second", "third"}));
}

TEST_F(DragBoxes, ASlidingSpeedOfZeroArrivesAtOnce) {
    start(boxScene(std::string(horizontal) + R"~( sliding_speed="0")~"));
    box()->slideTo({-300, 0});
    frames(1);
    EXPECT_EQ(dx(), -300.0f);
}

TEST_F(DragBoxes, TheWheelMovesTheEnabledAxis) {
    start(boxScene(horizontal));
    move(300, 150);
    run.app.scroll({-30, -40});
    frames(1);
    EXPECT_EQ(box()->getDisplacement(), glm::vec3(-30, 0, 0));
}

TEST_F(DragBoxes, TheBoxPublishesWhereItStandsAndFollowsItsSource) {
    start(boxScene(R"~(min_displacement_x="-1000" max_displacement_x="-200" dataSource="box.at")~"));
    DataSource* at = DataSource::get("box.at");
    // An unset source reads as 0: the box goes to its maximum and says so.
    EXPECT_EQ(dx(), -200.0f);
    EXPECT_EQ(at->value(), vorn::Value(0.0));
    box()->setDisplacement({-1000, 0, 0});
    EXPECT_EQ(at->value(), vorn::Value(1.0));
    at->set(vorn::Value(0.25));
    EXPECT_FLOAT_EQ(dx(), -400.0f);
    drag({{300, 150}, {200, 150}});
    EXPECT_FLOAT_EQ(static_cast<float>(at->value().asDouble()), 0.375f);
    // Text that is no number is logged and changes nothing.
    at->set(vorn::Value("a lot"));
    EXPECT_FLOAT_EQ(dx(), -500.0f);
}

// The data source answers each publication at once; where the limits keep
// the box from the displacement the answer asks for, the exchange used to
// go on until the stack ran out.
struct LoopCase {
    std::string name;
    std::string attributes;
    std::vector<glm::vec2> path;
    glm::vec3 end;
    double published;
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class Publishing : public DragBoxes, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(Publishing, TheBoxIgnoresItsOwnPublicationComingBack) {
    const LoopCase& c = GetParam();
    start(boxScene(c.attributes + R"~( dataSource="box.at")~"));
    drag(c.path);
    EXPECT_EQ(box()->getDisplacement(), c.end);
    EXPECT_DOUBLE_EQ(DataSource::get("box.at")->value().asDouble(), c.published);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Publishing,
    ::testing::Values(
        LoopCase{"BothAxes",
                 R"~(drag_vertically="1" min_displacement_x="-100" min_displacement_y="-100"
                    max_displacement_x="0" max_displacement_y="0")~",
                 {{300, 200}, {250, 170}},
                 {-50, -30, 0},
                 0.5},
        LoopCase{"ADisabledAxisWhoseLimitsLeaveOutZero",
                 R"~(min_displacement_x="-100" max_displacement_x="0" min_displacement_y="10" max_displacement_y="20")~",
                 {{300, 200}, {250, 170}},
                 {-50, 10, 0},
                 0.5},
        // No range to stand in: 0, never the 0/0 of the fraction.
        LoopCase{"EqualLimitsPublishZero", R"~(min_displacement_x="-40" max_displacement_x="-40")~",
                 {{300, 200}, {250, 200}}, {-40, 0, 0}, 0.0}),
    [](const ::testing::TestParamInfo<LoopCase>& param) { return param.param.name; });

TEST_F(DragBoxes, BothAxesFollowTheSourceTogether) {
    start(boxScene(R"~(drag_vertically="1" min_displacement_x="-100" min_displacement_y="-200"
                      max_displacement_x="0" max_displacement_y="0" dataSource="box.at")~"));
    DataSource::get("box.at")->set(vorn::Value(0.25));
    EXPECT_EQ(box()->getDisplacement(), glm::vec3(-25, -50, 0));
}

TEST_F(DragBoxes, TheNamedChildLimitRefusesDisplacementsThatLoseEveryChild) {
    start(R"~(<scene>
  <dragbox name="box" w="400" h="200" min_displacement_x="-2000" max_displacement_x="0"
           maxNearestChildDistance="150">
    <container x="200" y="100"/>
    <container name="far" x="700" y="100"/>
  </dragbox>
</scene>)~");
    box()->setDisplacement({-100, 0, 0});
    EXPECT_EQ(dx(), -100.0f);
    box()->setDisplacement({-300, 0, 0});
    EXPECT_EQ(dx(), -100.0f);
    box()->setDisplacement({-500, 0, 0});
    EXPECT_EQ(dx(), -500.0f);
    EXPECT_EQ(box()->displacementToCenter(find("far")), glm::vec2(-500, 0));
    EXPECT_EQ(box()->nearestChild({650, 0}), find("far"));
}

// A clipping box cuts its content at its own edges: the content moves
// inside the box, the box stays where it is.
TEST_F(DragBoxes, AClippedBoxCutsItsScrolledContentAtItsOwnEdges) {
    start(R"~(<scene>
  <dragbox name="box" x="100" y="100" w="400" h="200" clip="1" min_displacement_x="-1000" max_displacement_x="0">
    <image w="100" h="100" color="FF0000"/>
  </dragbox>
</scene>)~");
    box()->setDisplacement({-50, 0, 0});
    run.render.batches.clear();
    run.step(0.0f);
    float contentLeft = 1e9f, contentRight = -1e9f, boxLeft = 1e9f, boxRight = -1e9f;
    for (const auto& batch : run.render.batches) {
        for (const auto& v : batch.vertices) {
            float& left = batch.target ? contentLeft : boxLeft;
            float& right = batch.target ? contentRight : boxRight;
            left = std::min(left, v.x);
            right = std::max(right, v.x);
        }
    }
    EXPECT_EQ(contentLeft, -50.0f);
    EXPECT_EQ(contentRight, 50.0f);
    EXPECT_EQ(boxLeft, 100.0f);
    EXPECT_EQ(boxRight, 500.0f);
    // Hits follow what is shown: the box's own area, the content moved.
    EXPECT_TRUE(box()->containsPoint({120, 150}));
    EXPECT_FALSE(box()->containsPoint({90, 150}));
}

} // namespace
