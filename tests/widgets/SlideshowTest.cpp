// Slideshows: the fade of every slide over time, presses that cut a slide
// short, slides added while the show runs, leaving and entering the stage,
// and the end of the show (event, script, and again on a later entry).
#include "widgets/Slideshow.h"

#include "core/Scheduler.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Slideshow;

const char* const threeSlides = R"~(<scene>
  <slideshow name="show" w="200" h="100" on_finish="count('done')">
    <container name="a" w="200" h="100"/>
    <container name="b" w="200" h="100"/>
    <container name="c" w="200" h="100"/>
  </slideshow>
</scene>)~";

class Slides : public vorn::test::WidgetFixture {
protected:
    std::vector<float> alphas() {
        std::vector<float> out;
        for (const char* name : {"a", "b", "c"}) out.push_back(find(name)->getColor().a);
        return out;
    }
};

struct Moment {
    float time;
    std::vector<float> alphas;
};

TEST_F(Slides, EachSlideFadesInStaysAndFadesOutInTurn) {
    auto scene = load(threeSlides);
    auto show = std::dynamic_pointer_cast<Slideshow>(scene->findNode("show"));
    auto finished = listen(show.get(), typeid(Slideshow::FinishEvent));
    start(scene);
    EXPECT_EQ(alphas(), (std::vector<float>{0, 0, 0}));

    // Quarter seconds are exact, so every phase ends on a frame.
    const std::vector<Moment> moments = {
        {0.5f, {0.5f, 0, 0}},  {1.0f, {1, 0, 0}},    {3.0f, {1, 0, 0}},    {3.5f, {0.5f, 0, 0}},
        {3.75f, {0.25f, 0, 0}}, {4.0f, {0, 0, 0}},   {4.25f, {0, 0.25f, 0}}, {5.0f, {0, 1, 0}},
        {8.0f, {0, 0, 0}},     {10.0f, {0, 0, 1}},   {11.75f, {0, 0, 0.25f}}, {12.0f, {0, 0, 0}}};
    float now = 0.0f;
    for (const Moment& m : moments) {
        while (now < m.time) {
            run.step(0.25f);
            now += 0.25f;
        }
        EXPECT_EQ(alphas(), m.alphas) << "at " << m.time << " s";
        if (m.time < 12.0f) {
            EXPECT_EQ(count("done"), 0) << "at " << m.time << " s";
        }
    }
    EXPECT_EQ(count("done"), 1);
    run.step(0.25f);
    EXPECT_EQ(*finished, 1);
    EXPECT_EQ(vorn::Scheduler::instance()->count(show.get()), 0u);
    EXPECT_EQ(show->currentSlide(), nullptr);
}

TEST_F(Slides, AFadedSlideEndsFullyClear) {
    // Steps that do not divide the fade: the last step before the end
    // would leave a faint ghost.
    start(R"~(<scene><slideshow name="show" in_len="0.5" show_len="0.5" out_len="1">
      <container name="a"/><container name="b"/><container name="c"/></slideshow></scene>)~");
    auto show = find<Slideshow>("show");
    for (int i = 0; i < 20 && show->currentSlide() != find("b"); ++i) run.step(0.3f);
    ASSERT_EQ(show->currentSlide(), find("b"));
    EXPECT_EQ(find("a")->getColor(), vorn::Color(0, 0, 0, 0));
}

TEST_F(Slides, APressCutsOnlyAShownSlideShort) {
    start(threeSlides);
    auto show = find<Slideshow>("show");
    run.step(0.5f);
    press(100, 50);
    release(100, 50);
    EXPECT_EQ(show->getPhase(), Slideshow::FADING_IN);
    run.step(0.5f);
    run.step(0.5f);
    ASSERT_EQ(show->getPhase(), Slideshow::SHOWING);
    press(100, 50);
    EXPECT_EQ(show->getPhase(), Slideshow::FADING_OUT);
    run.step(0.5f);
    EXPECT_FLOAT_EQ(find("a")->getColor().a, 0.5f);
    run.step(0.5f);
    EXPECT_EQ(show->currentSlide(), find("b"));
}

TEST_F(Slides, ZeroFadeInShowsTheSlideAtOnce) {
    start(R"~(<scene><slideshow name="show" in_len="0"><container name="a"/></slideshow></scene>)~");
    run.step(1.0f / 60.0f);
    EXPECT_EQ(find("a")->getColor(), vorn::Color(1, 1, 1, 1));
}

TEST_F(Slides, AChildAddedWhileRunningWaitsClearForItsTurn) {
    start(R"~(<scene><slideshow name="show" in_len="1" show_len="1" out_len="1">
      <container name="a"/></slideshow></scene>)~");
    auto show = find<Slideshow>("show");
    run.step(0.5f);
    auto late = std::make_shared<vorn::Node>();
    late->setName("late");
    show->addChild(late);
    EXPECT_EQ(late->getColor().a, 0.0f);
    for (int i = 0; i < 5; ++i) run.step(0.5f);
    EXPECT_EQ(show->currentSlide(), late);
    EXPECT_EQ(late->getColor().a, 0.0f);
    run.step(0.5f);
    EXPECT_FLOAT_EQ(late->getColor().a, 0.5f);
    EXPECT_EQ(count("done"), 0);
}

TEST_F(Slides, LeavingTheStageDuringASlideGoesOnWithTheNextOne) {
    start(threeSlides);
    auto show = find<Slideshow>("show");
    auto parent = show->getParent();
    for (int i = 0; i < 18; ++i) run.step(0.25f);
    ASSERT_EQ(show->currentSlide(), find("b"));
    const float bAlpha = find("b")->getColor().a;
    ASSERT_GT(bAlpha, 0.0f);

    parent->removeChild(show);
    show->exitStage();
    run.step(0.25f);
    EXPECT_EQ(find<Slideshow>("show"), nullptr);
    EXPECT_EQ(vorn::Scheduler::instance()->count(show.get()), 0u);

    parent->addChild(show);
    EXPECT_EQ(show->currentSlide(), find("c"));
    EXPECT_EQ(find("b")->getColor().a, bAlpha);
    run.step(0.5f);
    EXPECT_FLOAT_EQ(find("c")->getColor().a, 0.5f);
}

TEST_F(Slides, AnEmptyShowFinishesAtEveryEntry) {
    auto scene = load(R"~(<scene><slideshow name="show" on_finish="count('done')"/></scene>)~");
    auto show = std::dynamic_pointer_cast<Slideshow>(scene->findNode("show"));
    auto finished = listen(show.get(), typeid(Slideshow::FinishEvent));
    start(scene);
    EXPECT_EQ(count("done"), 1);
    EXPECT_EQ(*finished, 1);
    EXPECT_EQ(vorn::Scheduler::instance()->count(show.get()), 0u);

    scene->removeChild(show);
    show->exitStage();
    scene->addChild(show);
    run.step(0.1f);
    EXPECT_EQ(count("done"), 2);
    EXPECT_EQ(*finished, 2);
}

TEST_F(Slides, TheShowStopsStateSwitchesOfItsAncestors) {
    start(threeSlides);
    EXPECT_TRUE(find("show")->isStateStop());
}

} // namespace
