// Variant containers show the child named after the bound value's text.
#include "widgets/VariantContainer.h"

#include "core/DataSource.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vorn::Value;

struct VariantCase {
    std::string name;
    Value value;
    std::string visible;
};

void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.name; }

class Variants : public vorn::test::WidgetFixture, public ::testing::WithParamInterface<VariantCase> {
protected:
    std::string visible() {
        std::string shown;
        for (const auto& child : find("v")->children()) {
            if (child->isVisible()) shown += "[" + child->getName() + "]";
        }
        return shown;
    }
};

const char* const variants = R"~(<scene><variant_container name="v" dataSource="variant.at">
  <container name="0"/><container name="1"/><container name="2"/><container name="1.000000"/>
  <container name="yes"/><container/>
</variant_container></scene>)~";

TEST_P(Variants, TheChildNamedAfterTheValueIsTheOneShown) {
    const VariantCase& c = GetParam();
    start(variants);
    vorn::DataSource::get("variant.at")->set(c.value);
    EXPECT_EQ(visible(), c.visible);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Variants,
    ::testing::Values(VariantCase{"Integer", Value(1), "[1]"}, VariantCase{"NoSuchChild", Value(5), ""},
                      VariantCase{"RealHasSixDecimals", Value(1.0), "[1.000000]"},
                      VariantCase{"Text", Value("yes"), "[yes]"}, VariantCase{"FlagIsADigit", Value(false), "[0]"},
                      VariantCase{"NilShowsTheNamelessChild", Value(), "[]"}),
    [](const ::testing::TestParamInfo<VariantCase>& param) { return param.param.name; });

TEST_F(Variants, TheValueAtEntryIsShownAndAContainerWithoutSourceLeavesItsChildren) {
    vorn::DataSource::get("variant.at")->set(Value(2));
    start(std::string(variants) + "");
    EXPECT_EQ(visible(), "[2]");
    EXPECT_TRUE(find("v")->isStateStop());

    start(R"~(<scene><variant_container name="v"><container name="a"/><container name="b"/></variant_container></scene>)~");
    EXPECT_EQ(visible(), "[a][b]");
}

} // namespace
