// Check boxes and radio groups bound to data sources: a click changes the
// source, the source changes the widget, and the script command counts
// every change that runs the script.
#include "widgets/CheckBox.h"
#include "widgets/RadioButton.h"

#include "core/DataSource.h"
#include "scene/Image.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::CheckBox;
using vorn::DataSource;
using vorn::RadioButton;
using vorn::Value;

class Toggles : public vorn::test::WidgetFixture {};

TEST_F(Toggles, ACheckBoxChangesItsSourceAndFollowsItBack) {
    start(R"~(<scene><checkbox name="c" x="10" y="10" w="40" h="40" dataSource="opt.sound" on_change="count('c')"/></scene>)~");
    auto box = find<CheckBox>("c");
    auto changes = listen(box.get(), typeid(CheckBox::ChangeEvent));
    DataSource* source = DataSource::get("opt.sound");
    // An unset source reads as unchecked, which the box already is.
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(source->value().isNil());
    EXPECT_EQ(count("c"), 0);

    click(30, 30);
    deliver();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(source->value(), Value(true));
    EXPECT_EQ(count("c"), 1);
    EXPECT_EQ(*changes, 1);
    EXPECT_TRUE(box->findChild("mark", false)->isVisible());

    source->set(Value(false));
    deliver();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(source->value(), Value(false));
    EXPECT_EQ(count("c"), 2);
    EXPECT_EQ(*changes, 2);
    EXPECT_FALSE(box->findChild("mark", false)->isVisible());

    // The state it already shows: nothing at all.
    source->set(Value(false));
    source->set(Value(0));
    deliver();
    EXPECT_EQ(count("c"), 2);
    EXPECT_EQ(*changes, 2);

    // A value that is no flag is logged and changes nothing.
    source->set(Value(Value::ARRAY));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(count("c"), 2);
}

TEST_F(Toggles, ACheckBoxWithoutSourceWorksAlone) {
    start(R"~(<scene><check_box name="c" w="40" h="40" on_change="count('c')"/></scene>)~");
    auto box = find<CheckBox>("c");
    click(20, 20);
    deliver();
    click(20, 20);
    deliver();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(count("c"), 2);
    EXPECT_TRUE(DataSource::get("")->value().isNil());
}

TEST_F(Toggles, TheDefaultLookIsAGreyBoxWithAWhiteMark) {
    start(R"~(<scene><checkbox name="c" w="40" h="40"/></scene>)~");
    auto box = find<CheckBox>("c");
    ASSERT_EQ(box->children().size(), 4u);
    const std::vector<std::string> names = {"default", "active", "pressed", "mark"};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(box->children()[i]->getName(), names[i]);
    auto mark = box->findChild("mark", false);
    EXPECT_EQ(mark->getSize(), glm::vec2(32, 32));
    EXPECT_EQ(mark->getPosition(), glm::vec2(4, 4));
    EXPECT_EQ(mark->getColor(), vorn::Color(1, 1, 1, 1));
    EXPECT_EQ(box->findChild("default", false)->getColor(), vorn::Color(0xA0A0A0A0u));
    EXPECT_EQ(box->findChild("pressed", false)->getPosition(), glm::vec2(2, 2));
    EXPECT_TRUE(box->findChild("default", false)->isVisible());
    EXPECT_FALSE(mark->isVisible());
    EXPECT_TRUE(box->isStateStop());
}

const char* const group = R"~(<scene>
  <radio_button name="r1" x="0" w="40" h="40" value="1" dataSource="opt.level" on_change="count('r1')">
    <container name="default" w="40" h="40"/><container name="mark"/><container name="off_mark"/>
  </radio_button>
  <radio_button name="r2" x="50" w="40" h="40" value="2" dataSource="opt.level" on_change="count('r2')">
    <container name="default" w="40" h="40"/><container name="mark"/><container name="off_mark"/>
  </radio_button>
  <radio_button name="r3" x="100" w="40" h="40" value="3" dataSource="opt.level" on_change="count('r3')">
    <container name="default" w="40" h="40"/><container name="mark"/><container name="off_mark"/>
  </radio_button>
</scene>)~";

class Radios : public Toggles {
protected:
    std::string selected() {
        std::string s;
        for (const char* name : {"r1", "r2", "r3"}) {
            auto r = find<RadioButton>(name);
            const bool mark = r->findChild("mark", false)->isVisible();
            const bool off = r->findChild("off_mark", false)->isVisible();
            EXPECT_NE(mark, off) << name;
            EXPECT_EQ(mark, r->isSelected()) << name;
            s += r->isSelected() ? "1" : "0";
        }
        return s;
    }
};

TEST_F(Radios, AClickWritesTheMembersValueAndTheSourceChoosesTheMember) {
    DataSource* source = DataSource::get("opt.level");
    source->set(Value("3"));
    start(group);
    EXPECT_EQ(selected(), "001");

    click(70, 20);
    deliver();
    EXPECT_EQ(source->value(), Value("2"));
    EXPECT_EQ(selected(), "010");
    EXPECT_EQ(calls, std::vector<std::string>{"r2"});

    // Already the choice: nothing written, no script.
    source->set(Value(7));
    source->set(Value("2"));
    calls.clear();
    click(70, 20);
    deliver();
    EXPECT_TRUE(calls.empty());

    // Compared as text: an INTEGER 1 chooses "1", a REAL 3.0 nobody.
    source->set(Value(1));
    EXPECT_EQ(selected(), "100");
    source->set(Value(3.0));
    EXPECT_EQ(selected(), "000");
    EXPECT_TRUE(calls.empty());
}

TEST_F(Radios, AMemberWithoutValueIsChosenByEmptyText) {
    start(R"~(<scene><radio_button name="r" w="40" h="40" dataSource="opt.none"/></scene>)~");
    auto r = find<RadioButton>("r");
    // An unset source's text is empty too.
    EXPECT_TRUE(r->isSelected());
    DataSource::get("opt.none")->set(Value("x"));
    EXPECT_FALSE(r->isSelected());
    DataSource::get("opt.none")->set(Value(""));
    EXPECT_TRUE(r->isSelected());
}

TEST_F(Radios, AMemberAloneSelectsItselfAndStaysSelected) {
    start(R"~(<scene><radio_button name="r" w="40" h="40" value="a" on_change="count('r')"/></scene>)~");
    auto r = find<RadioButton>("r");
    click(20, 20);
    deliver();
    click(20, 20);
    deliver();
    EXPECT_TRUE(r->isSelected());
    EXPECT_EQ(count("r"), 1);
    r->setSelected(false);
    EXPECT_TRUE(r->isSelected());
    EXPECT_FALSE(r->isStateStop());
}

// A toggle reacts to its own release as a button does, in the release
// itself: the state, the source and the script are there before the next
// dispatcher pass, and a press shows the pressed look at once. A release
// outside it is no click.
TEST_F(Toggles, AReleaseOverAToggleActsAtOnceLikeAButtonsClick) {
    start(R"~(<scene>
      <checkbox name="c" x="0" w="40" h="40" dataSource="opt.c" on_change="count('c')"/>
      <radio_button name="r" x="50" w="40" h="40" value="on" dataSource="opt.r" on_change="count('r')"/>
    </scene>)~");
    struct Case {
        const char* name;
        float x;
        std::function<bool()> on;
    };
    auto box = find<CheckBox>("c");
    auto radio = find<RadioButton>("r");
    const Case cases[] = {{"c", 20, [&] { return box->isChecked(); }}, {"r", 70, [&] { return radio->isSelected(); }}};
    for (const Case& c : cases) {
        auto widget = find<vorn::Node>(c.name);
        move(c.x, 20);
        press(c.x, 20);
        EXPECT_TRUE(widget->findChild("pressed", false)->isVisible()) << c.name;
        release(c.x + 100, 300);
        EXPECT_FALSE(c.on()) << c.name;
        press(c.x, 20);
        release(c.x, 20);
        EXPECT_TRUE(c.on()) << c.name;
        EXPECT_EQ(count(c.name), 1) << c.name;
        EXPECT_EQ(DataSource::get(std::string("opt.") + c.name)->value().toString(), c.name == std::string("c") ? "1" : "on");
        EXPECT_TRUE(widget->findChild("active", false)->isVisible()) << c.name;
        EXPECT_TRUE(widget->findChild("mark", false)->isVisible()) << c.name;
        deliver();
        EXPECT_EQ(count(c.name), 1) << c.name;
    }
}

} // namespace
