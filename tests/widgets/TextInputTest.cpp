// Text input: typing, backspace and the length limit on whole characters
// (those outside the basic plane included), what the font cannot draw,
// the cursor, the focus from a click and from the script commands, and the
// outward-only binding.
#include "widgets/TextInput.h"

#include "core/DataSource.h"
#include "core/Keys.h"
#include "core/VM.h"
#include "scene/Image.h"
#include "scene/Text.h"
#include "render/fonts/Font.h"
#include "widgets/UiDefaults.h"

#include "support/FixedFont.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::TextInput;
using vorn::Value;

const std::string e_acute = "\xC3\xA9";           // 2 bytes
const std::string euro = "\xE2\x82\xAC";          // 3 bytes
const std::string grin = "\xF0\x9F\x98\x80";      // 4 bytes, outside the basic plane

// Every byte 10 units wide; it cannot draw 'q'.
class NoQFont : public vorn::test::FixedFont {
public:
    std::string filterText(const std::string& text) override {
        std::string kept;
        for (const char c : text) {
            if (c != 'q') kept += c;
        }
        return kept;
    }
};

class TextInputs : public vorn::test::WidgetFixture {
protected:
    std::shared_ptr<TextInput> input(const std::string& attributes) {
        start("<scene><text_input name=\"in\" x=\"100\" y=\"100\" w=\"300\" h=\"40\" dataSource=\"name\" " +
              attributes + "/><container name=\"other\" x=\"500\" w=\"10\" h=\"10\"/></scene>");
        auto in = find<TextInput>("in");
        in->textNode()->setFont(font);
        listener = std::make_unique<vorn::Event::Listener>([this](vorn::Event*) {
            published.push_back(DataSource::get("name")->value().toString());
        });
        DataSource::get("name")->changed().addListener(listener.get());
        return in;
    }

    std::shared_ptr<NoQFont> font = std::make_shared<NoQFont>();
    std::unique_ptr<vorn::Event::Listener> listener;
    std::vector<std::string> published;
};

struct Step {
    // "type", "back" or "set", with its text.
    std::string what;
    std::string text;
    std::string expected;
};

struct EditCase {
    std::string name;
    int limit;
    std::vector<Step> steps;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class Edits : public TextInputs, public ::testing::WithParamInterface<EditCase> {};

TEST_P(Edits, EveryEditEndsBetweenWholeCharactersAndIsPublished) {
    const EditCase& c = GetParam();
    auto in = input("limit=\"" + std::to_string(c.limit) + "\"");
    for (const Step& step : c.steps) {
        if (step.what == "type") {
            in->textInput(step.text);
        } else if (step.what == "back") {
            EXPECT_TRUE(in->keyDown(vorn::KEY_BACKSPACE));
        } else {
            in->setText(step.text);
        }
        EXPECT_EQ(in->getText(), step.expected) << step.what << " '" << step.text << "'";
        ASSERT_FALSE(published.empty());
        EXPECT_EQ(published.back(), step.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Edits,
    ::testing::Values(
        EditCase{"LimitThree", 3,
                 {{"type", "a", "a"}, {"type", "b", "ab"}, {"type", "c", "abc"}, {"type", "d", "abc"},
                  {"back", "", "ab"}, {"set", "wxyz", "wxy"}}},
        EditCase{"LimitZeroLimitsOnlyWhatCodeSets", 0, {{"type", "abcdef", "abcdef"}, {"set", "abc", ""}}},
        EditCase{"NoLimit", -1, {{"type", "abcdef", "abcdef"}, {"set", "0123456789", "0123456789"}}},
        EditCase{"ATwoByteCharacterOneByteShortOfTheLimitStaysOut", 4,
                 {{"type", "abc", "abc"}, {"type", e_acute, "abc"}, {"back", "", "ab"},
                  {"type", e_acute, "ab" + e_acute}}},
        EditCase{"CharactersOutsideTheBasicPlane", 6,
                 {{"type", "ab" + grin, "ab" + grin}, {"type", "c", "ab" + grin}, {"back", "", "ab"},
                  {"type", "c" + grin, "abc"}, {"set", "ab" + grin + "c", "ab" + grin}, {"set", "a" + euro + grin, "a" + euro}}},
        EditCase{"BackspaceTakesWholeCharacters", -1,
                 {{"type", "a" + e_acute + euro + grin, "a" + e_acute + euro + grin}, {"back", "", "a" + e_acute + euro},
                  {"back", "", "a" + e_acute}, {"back", "", "a"}, {"back", "", ""}}},
        // Text set from code is taken as it is; a broken end goes a byte at a time.
        EditCase{"ABrokenEndGoesByteByByte", -1,
                 {{"set", "ab\x80\x80", "ab\x80\x80"}, {"back", "", "ab\x80"}, {"back", "", "ab"}}},
        EditCase{"StrayBytesAreNotTyped", -1, {{"type", "a\x80" "b\xC3", "ab"}}},
        // A surrogate, overlong forms and a value past U+10FFFF: well-formed
        // in their pattern of bytes, yet no character.
        EditCase{"MalformedCharactersAreNotTyped", -1,
                 {{"type", "a\xED\xA0\x80" "b\xC0\xAF" "c\xE0\x80\xAF" "d\xF4\x90\x80\x80" "e" + euro, "abcde" + euro}}}),
    [](const ::testing::TestParamInfo<EditCase>& param) { return param.param.name; });

TEST_F(TextInputs, WhatTheFontCannotDrawAndLineBreaksAreNotTyped) {
    auto in = input("");
    in->textInput("aq\nb\r");
    EXPECT_EQ(in->getText(), "ab");
    in->textInput("q");
    EXPECT_EQ(in->getText(), "ab");
    // Published all the same.
    EXPECT_EQ(published, (std::vector<std::string>{"ab", "ab"}));
    in->setText("qq");
    EXPECT_EQ(in->getText(), "qq");
}

TEST_F(TextInputs, OnlyBackspaceIsHandledAndAnEmptyTextPublishesNothing) {
    auto in = input("");
    EXPECT_FALSE(in->keyDown(vorn::KEY_A));
    EXPECT_FALSE(in->keyDown(vorn::KEY_ENTER));
    EXPECT_TRUE(in->keyDown(vorn::KEY_BACKSPACE));
    EXPECT_TRUE(published.empty());
    EXPECT_TRUE(in->getText().empty());
}

TEST_F(TextInputs, AClickOrTheScriptCommandGivesTheFocusAndShowsTheCursor) {
    auto in = input("");
    ASSERT_NE(in->cursor(), nullptr);
    EXPECT_FALSE(in->cursor()->isVisible());
    // The cursor is as high as the font's base, at the centre while empty.
    EXPECT_EQ(in->cursor()->getSize(), glm::vec2(4, vorn::UiDefaults::instance()->defaultFont()->base()));
    const float c = in->cursor()->getSize().y / 2.0f;

    click(200, 120);
    EXPECT_EQ(run.app.runningScene()->focus(), in);
    EXPECT_TRUE(in->cursor()->isVisible());
    EXPECT_EQ(in->cursor()->getPosition(), glm::vec2(150, 20 - c));

    // Typing reaches the focus node through the scene; the cursor follows
    // the right edge of the centred text.
    run.app.textInput("abcd");
    EXPECT_EQ(in->getText(), "abcd");
    const vorn::Text& text = *in->textNode();
    EXPECT_EQ(text.getSize().x, 40.0f);
    EXPECT_EQ(in->cursor()->getPosition().x, 150.0f + 20.0f);
    EXPECT_EQ(in->cursor()->getPosition().y, text.getPosition().y - text.getAnchor().y + text.getSize().y / 2 - c);
    run.app.keyDown(vorn::KEY_BACKSPACE);
    EXPECT_EQ(in->getText(), "abc");
    EXPECT_EQ(in->cursor()->getPosition().x, 150.0f + 15.0f);

    run.app.runningScene()->setFocus(find("other"));
    EXPECT_FALSE(in->cursor()->isVisible());
    run.app.textInput("zz");
    EXPECT_EQ(in->getText(), "abc");

    vorn::VM::execute("setTextInput('in')");
    EXPECT_EQ(run.app.runningScene()->focus(), in);
    EXPECT_TRUE(in->cursor()->isVisible());
    vorn::VM::execute("unsetTextInput('other')");
    EXPECT_TRUE(in->cursor()->isVisible());
    vorn::VM::execute("unsetTextInput('in')");
    EXPECT_EQ(run.app.runningScene()->focus(), nullptr);
    EXPECT_FALSE(in->cursor()->isVisible());
}

TEST_F(TextInputs, TheBindingGoesOutwardOnly) {
    DataSource::get("name")->set(Value("old"));
    auto in = input("text=\"Ann\" limit=\"2\"");
    // The file's text is shown as it is, and not published until an edit.
    EXPECT_EQ(in->getText(), "Ann");
    EXPECT_EQ(DataSource::get("name")->value(), Value("old"));
    DataSource::get("name")->set(Value("Bob"));
    EXPECT_EQ(in->getText(), "Ann");
    in->keyDown(vorn::KEY_BACKSPACE);
    EXPECT_EQ(DataSource::get("name")->value(), Value("An"));
}

TEST_F(TextInputs, TheInnerTextTakesTheTextAttributes) {
    auto in = input("fontSize=\"31\" shadowColor=\"FF0000\" outline_width=\"2\"");
    EXPECT_NE(in->textNode()->getFont(), nullptr);
    EXPECT_EQ(in->textNode()->parent(), in.get());
    EXPECT_EQ(in->getLimit(), -1);
}

} // namespace
