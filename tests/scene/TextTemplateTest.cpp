// Texts that follow a data source: the value shown at once, inside a
// template, as a time; values that cannot be shown.
#include "scene/Text.h"

#include "core/DataSource.h"
#include "core/Locale.h"
#include "core/Localization.h"

#include "TextFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::Text;
using vorn::Value;

class TextTemplateTest : public vorn::test::TextFixture {};

struct ExpandCase {
    const char* name;
    const char* templateText;
    Value value;
    const char* shown;
};

void PrintTo(const ExpandCase& c, std::ostream* os) { *os << c.name; }

class TextTemplateExpansion : public TextTemplateTest, public ::testing::WithParamInterface<ExpandCase> {};

TEST_P(TextTemplateExpansion, FillsThePlaceholders) {
    Text text;
    text.setTemplate(GetParam().templateText);
    EXPECT_EQ(text.expandTemplate(GetParam().value), GetParam().shown);
}

ExpandCase timeCase(const char* name, long long seconds, const char* shown) {
    return {name, "{{time}}", Value(seconds), shown};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextTemplateExpansion,
    ::testing::Values(
        ExpandCase{"NoTemplateInteger", "", Value(1500LL), "1500"},
        ExpandCase{"NoTemplateReal", "", Value(2.5), "2.500000"},
        ExpandCase{"NoTemplateNil", "", Value(), ""},
        ExpandCase{"Caption", "Score: {{text}}", Value(42LL), "Score: 42"},
        ExpandCase{"Twice", "{{text}}/{{text}}", Value("x"), "x/x"},
        ExpandCase{"UpperCaseStays", "{{Text}} {{te xt}} {{t1}}", Value("v"), "{{Text}} {{te xt}} {{t1}}"},
        ExpandCase{"OtherNamesAreRemoved", "{{score}}bar", Value("v"), "bar"},
        ExpandCase{"ExtraBraces", "{{{text}}}", Value("v"), "{v}"},
        ExpandCase{"AValueHoldingAPlaceholderShowsAsItIs", "<{{text}}>", Value("{{text}}{{time}}"),
                   "<{{text}}{{time}}>"},
        ExpandCase{"TimeOfNil", "{{time}}", Value(), "00:00"},
        ExpandCase{"TimeOfText", "left {{time}}", Value("125"), "left 02:05"},
        timeCase("Zero", 0, "00:00"), timeCase("TwoMinutes", 125, "02:05"), timeCase("LastBeforeAnHour", 3599, "59:59"),
        timeCase("AnHour", 3600, "01:00:00"), timeCase("HourMinuteSecond", 3725, "01:02:05"),
        timeCase("HundredHours", 360000, "100:00:00"), timeCase("MinusFive", -5, "00:-05"),
        timeCase("MinusSixtyFive", -65, "-01:-05")),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(TextTemplateTest, ABoundTextShowsTheValueAtOnceAndFollowsEverySet) {
    DataSource::get("score")->set(Value(7LL));
    start("<scene><text name=\"t\" x=\"0\" y=\"20\" dataSource=\"score\" template=\"Score: {{text}}\"/></scene>");
    EXPECT_EQ(text()->getText(), "Score: 7");
    DataSource::get("score")->set(Value(1234LL));
    // Inside the setter, before any frame or event delivery.
    EXPECT_EQ(text()->getText(), "Score: 1234");
    EXPECT_EQ(frame().size(), 10u);
    EXPECT_EQ(text()->getMeasuredSize().x, 110.0f);
}

TEST_F(TextTemplateTest, ATimeTextCountsDownAndALocalisedTemplateIsTakenOnce) {
    vorn::Localization::instance()->current()->setText("timer", "Time {{time}}");
    start("<scene><text name=\"t\" dataSource=\"clock\" template_key=\"timer\" template=\"unused\"/></scene>");
    EXPECT_EQ(text()->getTemplate(), "Time {{time}}");
    vorn::Localization::instance()->current()->setText("timer", "changed {{time}}");
    for (long long s : {61LL, 60LL, 59LL}) DataSource::get("clock")->set(Value(s));
    EXPECT_EQ(text()->getText(), "Time 00:59");
}

// A value that is no time must not throw out of the data source's setter
// (and through whoever set it): it is logged and the text stays.
TEST_F(TextTemplateTest, AValueThatCannotBeShownIsLoggedAndTheTextStays) {
    start("<scene><text name=\"t\" dataSource=\"clock\" template=\"{{time}}\"/></scene>");
    DataSource::get("clock")->set(Value(90LL));
    ASSERT_EQ(text()->getText(), "01:30");
    vorn::test::LogCapture log;
    EXPECT_NO_THROW(DataSource::get("clock")->set(Value("soon")));
    EXPECT_NO_THROW(DataSource::get("clock")->set(Value(std::vector<Value>{Value(1LL)})));
    EXPECT_EQ(text()->getText(), "01:30");
    EXPECT_EQ(log.count("Text t: can't show the value of clock in \"{{time}}\""), 2) << log.text();
    DataSource::get("clock")->set(Value(5LL));
    EXPECT_EQ(text()->getText(), "00:05");
}

TEST_F(TextTemplateTest, AnEmptyValueWithoutTemplateDrawsNothing) {
    start("<scene><text name=\"t\" dataSource=\"nothing.yet\" text=\"placeholder\"/></scene>");
    EXPECT_EQ(text()->getText(), "");
    EXPECT_TRUE(frame().empty());
}

} // namespace
