// Frame animations: which frame shows against the time run, the end of a
// run that does not loop, the frame time attributes, and frames of their
// own for every node.
#include "core/Platform.h"
#include "core/Scheduler.h"
#include "scene/Animation.h"
#include "scene/NodeFactory.h"

#include "VisualFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Animation;
using vorn::Node;

// Exact in binary, so elapsed time adds up without rounding.
constexpr float dt = 1.0f / 16.0f;

class Animations : public vorn::test::VisualFixture {
protected:
    // Four 20 x 20 frames, each its own picture, a quarter second each.
    std::shared_ptr<Animation> start(const std::string& attributes, const std::string& extra = "") {
        std::string xml = "<scene><animation name=\"a\" frame_time=\"0.25\" " + attributes + ">";
        for (const auto& f : files) xml += "<frame filename=\"" + f + "\"/>";
        xml += extra + "</animation></scene>";
        SceneFixture::start(xml);
        return std::dynamic_pointer_cast<Animation>(find("a"));
    }
    // Frames of dt; the texture of the one batch the last of them drew, or
    // null when it drew nothing.
    const vorn::Texture* stepAndShow(int frames) {
        run.step(dt, frames - 1);
        run.render.batches.clear();
        run.step(dt);
        const auto& batches = run.render.batches;
        return batches.size() == 1 ? batches[0].texture.get() : nullptr;
    }

    std::vector<std::string> files = {picture("f0.png", 20, 20), picture("f1.png", 20, 20),
                                      picture("f2.png", 20, 20), picture("f3.png", 20, 20)};
};

struct IndexCase {
    bool loop;
    int steps;
    int index;
};

class FrameIndex : public Animations, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(FrameIndex, FollowsTheTimeRunOnStage) {
    const IndexCase c = GetParam();
    const auto a = start(c.loop ? "" : "loop=\"0\"");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->frames().size(), 4u);
    run.render.batches.clear();
    run.step(dt, c.steps);
    EXPECT_EQ(a->getElapsed(), static_cast<float>(c.steps) * dt);
    EXPECT_EQ(a->frameIndex(), c.index);
    if (c.steps > 0) {
        const auto& batches = run.render.batches;
        ASSERT_FALSE(batches.empty());
        EXPECT_EQ(batches.back().texture, a->frames()[static_cast<std::size_t>(c.index)]->getTexture());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Times, FrameIndex,
    ::testing::Values(IndexCase{true, 0, 0}, IndexCase{true, 3, 0}, IndexCase{true, 4, 1}, IndexCase{true, 15, 3},
                      IndexCase{true, 16, 0}, IndexCase{true, 21, 1}, IndexCase{false, 4, 1},
                      IndexCase{false, 15, 3}, IndexCase{false, 16, 3}, IndexCase{false, 100, 3}),
    [](const ::testing::TestParamInfo<IndexCase>& param) {
        return std::string(param.param.loop ? "Looping" : "Once") + "After" + std::to_string(param.param.steps) +
               "Sixteenths";
    });

TEST_F(Animations, ARunThatDoesNotLoopReportsItsEndEveryFrameAndFinishesOnce) {
    const auto a = start("loop=\"0\"");
    int callbacks = 0;
    int finishes = 0;
    a->setActionFinishedCallback([&](vorn::Action* action) {
        EXPECT_EQ(action, nullptr);
        ++callbacks;
    });
    a->setFinishCallback([&] {
        EXPECT_EQ(callbacks, 1) << "the node's callback comes first";
        ++finishes;
    });
    run.step(dt, 15);
    EXPECT_EQ(callbacks, 0);
    run.step(dt);
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(finishes, 1);
    run.step(dt, 3);
    EXPECT_EQ(callbacks, 4);
    EXPECT_EQ(finishes, 1);

    // A finish function set from inside the last one is kept.
    int again = 0;
    a->setFinishCallback([&] { a->setFinishCallback([&] { ++again; }); });
    run.step(dt, 2);
    EXPECT_EQ(again, 1);
}

TEST_F(Animations, WithoutFramesARunThatDoesNotLoopHasEndedAtOnce) {
    SceneFixture::start(R"(<scene><animation name="a" loop="no"/></scene>)");
    const auto a = std::dynamic_pointer_cast<Animation>(find("a"));
    int callbacks = 0;
    a->setActionFinishedCallback([&](vorn::Action*) { ++callbacks; });
    run.render.batches.clear();
    run.step(dt);
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(a->frameIndex(), -1);
    EXPECT_TRUE(run.render.batches.empty());
}

TEST_F(Animations, TimeRunsOnlyOnStageAndRestartsAtEveryEntry) {
    const auto a = start("");
    run.step(dt, 6);
    EXPECT_EQ(a->frameIndex(), 1);
    const auto scene = run.app.runningScene();
    scene->detachChild(a);
    a->exitStage();
    run.step(dt, 8);
    EXPECT_EQ(vorn::Scheduler::instance()->count(a.get()), 0u);
    EXPECT_EQ(a->getElapsed(), 6 * dt) << "off the stage the time stands";
    scene->addChild(a);
    EXPECT_EQ(a->getElapsed(), 0.0f);
    EXPECT_EQ(vorn::Scheduler::instance()->count(a.get()), 1u);
    run.step(dt, 2);
    EXPECT_EQ(a->frameIndex(), 0);
}

TEST_F(Animations, AFrameThatIsNoPictureKeepsItsTurnAndShowsNothing) {
    files[1] = "notes.xml";
    const auto a = start("");
    ASSERT_EQ(a->frames().size(), 4u);
    EXPECT_EQ(a->frames()[1], nullptr);
    EXPECT_EQ(stepAndShow(3), a->frames()[0]->getTexture().get());
    EXPECT_EQ(stepAndShow(1), nullptr);
    EXPECT_EQ(a->frameIndex(), 1);
    EXPECT_EQ(stepAndShow(4), a->frames()[2]->getTexture().get());
    a->setSize({40, 40});
    EXPECT_EQ(a->frames()[1], nullptr);
}

TEST_F(Animations, ElementsOtherThanFramesAreIgnored) {
    const auto a = start("", R"(<frame/><image filename="x.png"/><state name="s" x="3"/>)");
    EXPECT_EQ(a->frames().size(), 4u);
    EXPECT_TRUE(a->children().empty());
    EXPECT_FALSE(a->hasState("s"));
}

TEST_F(Animations, TheLaterFrameTimeAttributeInByteOrderWins) {
    tinyxml2::XMLDocument document;
    document.Parse(R"(<animation frameTime="0.5" frame_time="0.125"/>)");
    auto node = std::dynamic_pointer_cast<Animation>(vorn::NodeFactory::instance().create(document.RootElement()));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getFrameTime(), 0.125f);
    EXPECT_TRUE(node->isLooping());
    document.Parse(R"(<animation frameTime="0.5"/>)");
    node = std::dynamic_pointer_cast<Animation>(vorn::NodeFactory::instance().create(document.RootElement()));
    EXPECT_EQ(node->getFrameTime(), 0.5f);
    EXPECT_EQ(Animation().getFrameTime(), 1.0f / 60.0f);
}

// A frame time of nothing would divide by zero.
class ShortFrameTime : public Animations, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShortFrameTime, IsClampedAndLogged) {
    vorn::test::LogCapture log;
    SceneFixture::start(std::string("<scene><animation name=\"a\" frame_time=\"") + GetParam() +
                        "\"><frame filename=\"" + files[0] + "\"/><frame filename=\"" + files[1] +
                        "\"/></animation></scene>");
    const auto a = std::dynamic_pointer_cast<Animation>(find("a"));
    EXPECT_EQ(a->getFrameTime(), Animation::minFrameTime);
    EXPECT_EQ(log.count("Animation a: frame time"), 1) << log.text();
    run.step(0.0105f);
    EXPECT_EQ(a->frameIndex(), 0);
    run.step(10.0f, 3);
    EXPECT_GE(a->frameIndex(), 0);
    EXPECT_LE(a->frameIndex(), 1);
}

INSTANTIATE_TEST_SUITE_P(Values, ShortFrameTime, ::testing::Values("0", "-0.25", "1e-9", "nan"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             const std::string text = param.param;
                             if (text == "0") return std::string("Zero");
                             if (text == "-0.25") return std::string("Negative");
                             if (text == "nan") return std::string("NotANumber");
                             return std::string("Tiny");
                         });

// Resizing one animation once resized the pictures every other user of
// the same file draws.
TEST_F(Animations, EachNodeResizesItsOwnFrames) {
    SceneFixture::start("<scene><animation name=\"small\"><frame filename=\"" + files[0] +
                        "\"/></animation><animation name=\"big\"><frame filename=\"" + files[0] +
                        "\"/></animation></scene>");
    const auto small = std::dynamic_pointer_cast<Animation>(find("small"));
    const auto big = std::dynamic_pointer_cast<Animation>(find("big"));
    small->setSize({40, 40});
    big->setSize({80, 60});
    EXPECT_EQ(small->frames()[0]->bounds(), vorn::Rect(0, 0, 40, 40));
    EXPECT_EQ(big->frames()[0]->bounds(), vorn::Rect(0, 0, 80, 60));
    EXPECT_EQ(frameOf(files[0])->bounds(), vorn::Rect(0, 0, 20, 20));
    EXPECT_EQ(small->frames()[0]->getTexture(), frameOf(files[0])->getTexture()) << "the texture is shared";
    // Resized again from the picture, not from the last size.
    small->setSize({10, 30});
    EXPECT_EQ(small->frames()[0]->bounds(), vorn::Rect(0, 0, 10, 30));

    run.render.batches.clear();
    run.step(dt);
    ASSERT_EQ(run.render.batches.size(), 1u);
    const auto& drawn = run.render.batches[0];
    ASSERT_EQ(drawn.vertexCount, 8u);
    EXPECT_EQ(drawn.vertices[2].x, 10.0f);
    EXPECT_EQ(drawn.vertices[6].x, 80.0f);
}

// On a large screen the double-resolution picture comes at half scale; a
// frame stretched twice in place would then come out twice as large.
TEST_F(Animations, AHalfScaleFrameKeepsItsSizeWhenResizedAgain) {
    vorn::Platform::instance()->setDesktopSizeForTesting({1920, 1080});
    picture("hd@2x.png", 40, 40);
    const std::string normal = picture("hd.png", 20, 20);
    SceneFixture::start("<scene><animation name=\"a\"><frame filename=\"" + normal + "\"/></animation></scene>");
    const auto a = std::dynamic_pointer_cast<Animation>(find("a"));
    ASSERT_EQ(frameOf(normal)->getScale(), 0.5f);
    EXPECT_EQ(a->frames()[0]->bounds(), vorn::Rect(0, 0, 20, 20));
    for (int i = 0; i < 3; ++i) {
        a->setSize({64, 48});
        EXPECT_EQ(a->frames()[0]->bounds(), vorn::Rect(0, 0, 64, 48)) << i;
    }
}

TEST_F(Animations, FramesAddedAfterASizeKeepTheirOwnUntilTheNext) {
    SceneFixture::start("<scene><animation name=\"a\" w=\"60\" h=\"60\"><frame filename=\"" + files[0] +
                        "\"/></animation></scene>");
    const auto a = std::dynamic_pointer_cast<Animation>(find("a"));
    EXPECT_EQ(a->frames()[0]->bounds(), vorn::Rect(0, 0, 20, 20));
    a->setSize({60, 60});
    EXPECT_EQ(a->frames()[0]->bounds(), vorn::Rect(0, 0, 60, 60));
}

} // namespace
