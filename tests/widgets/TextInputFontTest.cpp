// A text input whose TrueType font has drawn only its first characters:
// a name typed into it one character at a time, as the window hands them
// over, keeps every character the font file can draw, spaces and
// punctuation included.
#include "widgets/TextInput.h"

#include "core/DataSource.h"
#include "render/fonts/TTFFont.h"
#include "scene/Text.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

namespace {

class TypedNames : public vorn::test::WidgetFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(TypedNames, KeepEveryCharacterTheFontCanDraw) {
    start("<scene><text_input name=\"in\" x=\"100\" y=\"100\" w=\"400\" h=\"64\" limit=\"24\" "
          "dataSource=\"typed_name\"/></scene>");
    auto in = find<vorn::TextInput>("in");
    ASSERT_TRUE(in);
    // A font of its own, so that no other text has drawn these characters with it.
    in->textNode()->setFont(std::make_shared<vorn::TTFFont>("data/fonts/DejaVuSans-Bold.ttf", 30.0f, 1.0f));
    const std::string name = GetParam();
    for (const char c : name) in->textInput(std::string(1, c));
    EXPECT_EQ(in->getText(), name);
    EXPECT_EQ(vorn::DataSource::get("typed_name")->value().toString(), name);
}

INSTANTIATE_TEST_SUITE_P(Names, TypedNames,
                         testing::Values("Ana Tester", "Jo O'Neil", "Mary-Kate & Co.", "R2 (the 2nd)!"),
                         [](const testing::TestParamInfo<std::string>& typed) {
                             std::string id;
                             for (const char c : typed.param) {
                                 if (std::isalnum(static_cast<unsigned char>(c))) id += c;
                             }
                             return id;
                         });

} // namespace
