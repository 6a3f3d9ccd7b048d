// Spin boxes: options from the scene file, stepping through the two
// buttons of the default look, whole numbers without options, and the
// binding both ways.
#include "widgets/SpinBox.h"

#include "core/DataSource.h"
#include "scene/Text.h"
#include "widgets/Button.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

namespace {

using vorn::DataSource;
using vorn::SpinBox;
using vorn::Value;

// 200 x 40 at (100, 100): "-" covers x 100 to 140, "+" x 260 to 300.
std::string spinScene(const std::string& attributes, const std::string& options) {
    return R"~(<scene><spinbox name="s" x="100" y="100" w="200" h="40" on_change="count('s')" )~" + attributes + ">" +
           options + "</spinbox></scene>";
}

const char* const abc = R"~(<option name="a" value="1"/><option name="b" value="2" selected="1"/>
    <option name="c" value="3"/>)~";

class SpinBoxes : public vorn::test::WidgetFixture {
protected:
    std::string shown() { return find<vorn::Text>("text")->getText(); }
    void back() {
        click(120, 120);
        deliver();
    }
    void forward() {
        click(280, 120);
        deliver();
    }
};

TEST_F(SpinBoxes, TheButtonsStepThroughTheOptionsWithoutWrapping) {
    start(spinScene(R"~(dataSource="spin.choice")~", abc));
    auto spin = find<SpinBox>("s");
    auto changes = listen(spin.get(), typeid(SpinBox::ChangeEvent));
    DataSource* source = DataSource::get("spin.choice");
    // Entering with an unset source publishes the box's own value.
    EXPECT_EQ(source->value(), Value("2"));
    EXPECT_EQ(shown(), "b");
    calls.clear();

    forward();
    EXPECT_EQ(shown(), "c");
    EXPECT_EQ(source->value(), Value("3"));
    forward();
    EXPECT_EQ(shown(), "c");
    EXPECT_EQ(count("s"), 1);
    back();
    back();
    EXPECT_EQ(shown(), "a");
    EXPECT_EQ(source->value(), Value("1"));
    back();
    EXPECT_EQ(count("s"), 3);
    EXPECT_EQ(*changes, 3);
}

TEST_F(SpinBoxes, TheSourceChoosesByTextAndGetsTheOptionsOwnValue) {
    start(spinScene(R"~(dataSource="spin.choice")~", abc));
    DataSource* source = DataSource::get("spin.choice");
    calls.clear();
    source->set(Value(3));
    EXPECT_EQ(shown(), "c");
    EXPECT_EQ(source->value(), Value("3"));
    EXPECT_EQ(count("s"), 1);
    // The value already held: nothing.
    source->set(Value("3"));
    EXPECT_EQ(count("s"), 1);
    // Matching nothing: the old choice stays and is published again.
    source->set(Value("9"));
    EXPECT_EQ(shown(), "c");
    EXPECT_EQ(source->value(), Value("3"));
    EXPECT_EQ(count("s"), 2);
}

TEST_F(SpinBoxes, WithoutASelectedOptionTheFirstIsShownWhileTheValueIsZero) {
    start(spinScene(R"~(dataSource="spin.none")~", R"~(<option name="a" value="1"/><option name="b" value="2"/>)~"));
    EXPECT_EQ(shown(), "a");
    EXPECT_EQ(DataSource::get("spin.none")->value(), Value(0));
    EXPECT_EQ(find<SpinBox>("s")->getValue(), Value(0));
}

TEST_F(SpinBoxes, WithoutOptionsItStepsAWholeNumberWithoutBounds) {
    start(spinScene("", ""));
    EXPECT_EQ(shown(), "0");
    for (int i = 0; i < 3; ++i) forward();
    EXPECT_EQ(shown(), "3");
    for (int i = 0; i < 5; ++i) back();
    EXPECT_EQ(shown(), "-2");
    EXPECT_EQ(find<SpinBox>("s")->getValue(), Value(-2));
    EXPECT_EQ(count("s"), 8);
    // Text that is no number cannot be stepped: logged, nothing changes.
    find<SpinBox>("s")->setValue(Value("lots"));
    forward();
    EXPECT_EQ(shown(), "lots");
    EXPECT_EQ(count("s"), 9);
}

// The ends of the whole numbers: the box stays there rather than wrap to
// the other end.
TEST_F(SpinBoxes, WithoutOptionsItStopsAtTheEndsOfTheWholeNumbers) {
    start(spinScene("", ""));
    const long long most = std::numeric_limits<long long>::max();
    const long long least = std::numeric_limits<long long>::min();
    find<SpinBox>("s")->setValue(Value(most - 1));
    forward();
    forward();
    EXPECT_EQ(find<SpinBox>("s")->getValue(), Value(most));
    EXPECT_EQ(shown(), "9223372036854775807");
    find<SpinBox>("s")->setValue(Value(least + 1));
    back();
    back();
    EXPECT_EQ(find<SpinBox>("s")->getValue(), Value(least));
    EXPECT_EQ(shown(), "-9223372036854775808");
    forward();
    EXPECT_EQ(find<SpinBox>("s")->getValue(), Value(least + 1));
}

TEST_F(SpinBoxes, OptionsWithEqualValuesStepWithoutPublishing) {
    start(spinScene(R"~(dataSource="spin.same")~",
                    R"~(<option name="x" value="1" selected="1"/><option name="y" value="1"/>)~"));
    calls.clear();
    forward();
    EXPECT_EQ(shown(), "y");
    EXPECT_EQ(find<SpinBox>("s")->getCurrent(), 1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SpinBoxes, SelectedBeforeValueLeavesTheValueUnset) {
    auto scene = load(spinScene("", R"~(<option name="a" selected="1" value="1"/>)~"));
    auto spin = std::dynamic_pointer_cast<SpinBox>(scene->findNode("s"));
    EXPECT_TRUE(spin->getValue().isNil());
    ASSERT_EQ(spin->options().size(), 1u);
    EXPECT_EQ(spin->options()[0].value, Value("1"));
}

TEST_F(SpinBoxes, ASpinBoxWithItsOwnLookHasNoButtons) {
    start(spinScene(R"~(dataSource="spin.own")~", R"~(<text name="text"/><option name="a" value="1"/>
        <option name="b" value="2"/>)~"));
    auto spin = find<SpinBox>("s");
    EXPECT_EQ(spin->findChild("+", false), nullptr);
    DataSource::get("spin.own")->set(Value("2"));
    EXPECT_EQ(shown(), "b");
}

TEST_F(SpinBoxes, OptionsAddedInCodeAreChosenByValue) {
    start(R"~(<scene><spinbox name="s" w="200" h="40"/></scene>)~");
    auto spin = find<SpinBox>("s");
    for (const char* name : {"forest", "sea", "desert"}) spin->addOption({name, Value(name)});
    spin->setValue(Value("sea"));
    EXPECT_EQ(shown(), "sea");
    EXPECT_EQ(spin->getCurrent(), 1);
}

} // namespace
