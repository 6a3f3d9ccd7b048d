// Sliders: where the knob stands for a value, the value under the pointer,
// dragging with the capture, the binding both ways, and sliders that have
// no knob or no room to move one.
#include "widgets/Slider.h"

#include "core/DataSource.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "scene/Image.h"

#include "support/ImageFiles.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::Slider;
using vorn::Value;

struct KnobCase {
    std::string name;
    std::string attributes;
    float value;
    glm::vec2 knob;
};

void PrintTo(const KnobCase& c, std::ostream* os) { *os << c.name; }

class Knobs : public vorn::test::WidgetFixture, public ::testing::WithParamInterface<KnobCase> {};

TEST_P(Knobs, TheKnobsCentreRunsInsideTheTrack) {
    const KnobCase& c = GetParam();
    start("<scene><slider name=\"s\" " + c.attributes + "/></scene>");
    auto slider = find<Slider>("s");
    slider->setValue(c.value);
    ASSERT_NE(slider->getKnob(), nullptr);
    EXPECT_EQ(slider->getKnob()->getPosition(), c.knob);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Knobs,
    ::testing::Values(KnobCase{"HorizontalMiddle", R"~(w="200" h="20")~", 0.5f, {100, 10}},
                      KnobCase{"HorizontalStart", R"~(w="200" h="20")~", 0.0f, {10, 10}},
                      KnobCase{"HorizontalEndClamped", R"~(w="200" h="20")~", 7.0f, {190, 10}},
                      KnobCase{"VerticalStart", R"~(w="20" h="200" orientation="vertical")~", 0.0f, {10, 10}},
                      KnobCase{"VerticalEnd", R"~(w="20" h="200" orientation="vertical")~", 1.0f, {10, 190}},
                      KnobCase{"OwnRange", R"~(w="120" h="20" min="10" max="30")~", 15.0f, {35, 10}},
                      KnobCase{"UnknownOrientationKeepsHorizontal", R"~(w="200" h="20" orientation="diagonal")~",
                               1.0f, {190, 10}},
                      // No range or no room: the knob rests at the start.
                      KnobCase{"EqualMinAndMax", R"~(w="200" h="20" min="5" max="5")~", 9.0f, {10, 10}},
                      KnobCase{"LengthEqualsThickness", R"~(w="20" h="20")~", 1.0f, {10, 10}}),
    [](const ::testing::TestParamInfo<KnobCase>& param) { return param.param.name; });

class Sliders : public vorn::test::WidgetFixture {};

TEST_F(Sliders, APressJumpsTheKnobAndTheDragFollowsOutsideTheSlider) {
    start(R"~(<scene><slider name="s" x="100" y="100" w="200" h="20" dataSource="volume"/></scene>)~");
    auto slider = find<Slider>("s");
    DataSource* volume = DataSource::get("volume");
    press(110, 110);
    EXPECT_EQ(slider->getValue(), 0.0f);
    EXPECT_TRUE(slider->isDragging());
    move(200, 300);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(volume->value(), Value(0.5));
    move(350, 300);
    EXPECT_EQ(slider->getValue(), 1.0f);
    release(350, 300);
    EXPECT_FALSE(slider->isDragging());
    EXPECT_EQ(run.app.runningScene()->mouseCapture(), nullptr);
    move(110, 110);
    EXPECT_EQ(slider->getValue(), 1.0f);
}

TEST_F(Sliders, TheSourceMovesTheKnobAndGetsTheClampedValueBack) {
    start(R"~(<scene><slider name="s" w="200" h="20" dataSource="volume"/></scene>)~");
    auto slider = find<Slider>("s");
    DataSource* volume = DataSource::get("volume");
    volume->set(Value(0.25));
    EXPECT_EQ(slider->getKnob()->getPosition(), glm::vec2(55, 10));
    volume->set(Value(2));
    EXPECT_EQ(slider->getValue(), 1.0f);
    EXPECT_EQ(volume->value(), Value(1.0));
    volume->set(Value("loud"));
    EXPECT_EQ(slider->getValue(), 1.0f);
    volume->set(Value("nan"));
    EXPECT_EQ(slider->getValue(), 0.0f);
    EXPECT_EQ(volume->value(), Value(0.0));
}

// A source holding a number beyond a float's range, as text or not: the
// slider clamps it to its end and writes that back.
TEST_F(Sliders, ANumberBeyondTheRangeIsClampedAndWrittenBack) {
    start(R"~(<scene><slider name="s" w="200" h="20" dataSource="volume"/></scene>)~");
    auto slider = find<Slider>("s");
    DataSource* volume = DataSource::get("volume");
    const std::pair<Value, float> cases[] = {
        {Value("1e39"), 1.0f}, {Value("-1e39"), 0.0f}, {Value("1e400"), 1.0f},
        {Value("-1e400"), 0.0f}, {Value(1e39), 1.0f}, {Value("1e-50"), 0.0f},
    };
    for (const auto& [held, end] : cases) {
        SCOPED_TRACE(held.toString());
        volume->set(Value(0.5));
        volume->set(held);
        EXPECT_EQ(slider->getValue(), end);
        EXPECT_EQ(volume->value(), Value(static_cast<double>(end)));
    }
}

// Counts what would reach the users file.
struct CountingSaver : vorn::UserManager::Saver {
    void save(const std::string&, const vorn::Data& data) override {
        ++saves;
        last = data.toString();
    }
    int saves = 0;
    std::string last;
};

// An options slider bound to a setting of the selected player: every pointer
// move publishes, every change is player data, and yet a fast drag writes
// the users file at most once a frame, ending with where the knob stopped.
TEST_F(Sliders, ADragOnASettingWritesTheUsersFileAtMostOncePerFrame) {
    CountingSaver saver;
    vorn::UserManager::setSaver(&saver);
    // Counted ahead of the player's own listener, whose save request ends
    // the delivery of that change to later listeners.
    auto published = listen(DataSource::get("@settings.sound_volume"), typeid(DataSource::ChangedEvent));
    vorn::UserManager* users = vorn::UserManager::instance();
    ASSERT_NE(users->addUser("P1"), nullptr);
    start(R"~(<scene><slider name="s" x="100" y="100" w="200" h="20" dataSource="@settings.sound_volume"/></scene>)~");
    run.step(1.0f / 60.0f, 3);
    const int before = saver.saves;
    const int settled = *published;

    // 180 moves in 10 frames: the knob's centre from one end to the other.
    press(110, 110);
    std::vector<int> perFrame;
    for (int f = 0; f < 10; ++f) {
        for (int m = 1; m <= 18; ++m) move(110.0f + float(f * 18 + m), 110.0f);
        const int start = saver.saves;
        run.step(1.0f / 60.0f);
        perFrame.push_back(saver.saves - start);
    }
    release(290, 110);
    for (int f = 0; f < 3; ++f) {
        const int start = saver.saves;
        run.step(1.0f / 60.0f);
        perFrame.push_back(saver.saves - start);
    }
    for (std::size_t f = 0; f < perFrame.size(); ++f) EXPECT_LE(perFrame[f], 1) << "frame " << f;
    const int publishes = *published - settled;
    EXPECT_EQ(publishes, 181); // the press and every move
    const int saves = saver.saves - before;
    std::printf("180 pointer moves over 10 frames: %d publishes, %d saves of the users file\n", publishes, saves);
    EXPECT_LE(saves, 13);
    EXPECT_FALSE(users->isSavePending());
    EXPECT_EQ(users->currentUser()->getValue("sound_volume"), Value(1.0));
    EXPECT_NE(saver.last.find("<key>sound_volume</key>\n      <real>1.000000</real>"), std::string::npos) << saver.last;
    vorn::UserManager::setSaver(nullptr);
}

TEST_F(Sliders, AKnobPictureIsScaledToTheThickness) {
    std::vector<std::uint8_t> pixels(64 * 64 * 4, 255);
    ASSERT_TRUE(vorn::test::writePng(dir.file("knob.png"), 64, 64, 4, pixels));
    start("<scene><slider name=\"s\" w=\"200\" h=\"20\" key_filename=\"" + dir.file("knob.png") + "\"/></scene>");
    auto slider = find<Slider>("s");
    ASSERT_NE(slider->getKnob(), nullptr);
    EXPECT_EQ(slider->getKnob()->getSize(), glm::vec2(20, 20));
    EXPECT_EQ(slider->children().size(), 1u);
}

TEST_F(Sliders, ASliderWithChildrenButNoKnobTakesValuesSafely) {
    start(R"~(<scene><slider name="s" w="200" h="20" dataSource="volume"><container name="track"/></slider></scene>)~");
    auto slider = find<Slider>("s");
    EXPECT_EQ(slider->getKnob(), nullptr);
    DataSource::get("volume")->set(Value(0.7));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.7f);
    press(100, 10);
    release(100, 10);
    EXPECT_EQ(slider->getValue(), 0.5f);
}

TEST_F(Sliders, ATrackWithoutRoomMapsEveryPointToTheStart) {
    start(R"~(<scene><slider name="s" x="10" y="10" w="20" h="20" min="2" max="4" dataSource="volume"/></scene>)~");
    auto slider = find<Slider>("s");
    EXPECT_EQ(slider->valueAt({25, 20}), 2.0f);
    press(25, 20);
    move(200, 20);
    release(200, 20);
    EXPECT_EQ(slider->getValue(), 2.0f);
    EXPECT_EQ(DataSource::get("volume")->value(), Value(2.0));
}

TEST_F(Sliders, TheDefaultLookIsATrackAndAKnob) {
    start(R"~(<scene><slider name="s" w="200" h="20"/></scene>)~");
    auto slider = find<Slider>("s");
    ASSERT_EQ(slider->children().size(), 2u);
    EXPECT_EQ(slider->children()[0]->getName(), "back");
    EXPECT_EQ(slider->children()[0]->getSize(), glm::vec2(200, 20));
    EXPECT_EQ(slider->children()[0]->getColor(), vorn::Color(0xA0A0A0A0u));
    EXPECT_EQ(slider->children()[1].get(), slider->getKnob());
    EXPECT_EQ(slider->getKnob()->getSize(), glm::vec2(20, 20));
    EXPECT_EQ(slider->getKnob()->getColor(), vorn::Color(0xFFAAD696u));
    EXPECT_TRUE(slider->isStateStop());
    // Replacing the knob by itself keeps it.
    slider->setKnob(slider->getKnob());
    EXPECT_EQ(slider->children().size(), 2u);
}

} // namespace
