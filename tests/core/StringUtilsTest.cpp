#include "core/StringUtils.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

} // namespace

TEST(StringUtils, JoinPutsSeparatorOnlyBetweenParts) {
    EXPECT_EQ(vorn::join({}, ", "), "");
    EXPECT_EQ(vorn::join({"a"}, ", "), "a");
    EXPECT_EQ(vorn::join({"a", "", "c"}, "::"), "a::::c");
    EXPECT_EQ(vorn::join({"x", "y"}, ""), "xy");
}

TEST(StringUtils, SplitGivesAPieceOnEachSideOfEverySeparator) {
    struct Case {
        std::string text, separator;
        Pieces pieces;
    };
    const std::vector<Case> cases = {
        {"a,,b", ",", {"a", "", "b"}},
        {"", ",", {""}},
        {",", ",", {"", ""}},
        {",a", ",", {"", "a"}},
        {"a,", ",", {"a", ""}},
        {"abc", ",", {"abc"}},
        {"a:::b", "::", {"a", ":b"}},
        {"a::b::", "::", {"a", "b", ""}},
        {"ab", "abc", {"ab"}},
        {"héllo wörld", "ö", {"héllo w", "rld"}},
        // An empty separator must terminate; the text comes back whole.
        {"abc", "", {"abc"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vorn::split(c.text, c.separator), c.pieces) << "'" << c.text << "' at '" << c.separator << "'";
    }
}

TEST(StringUtils, SplitWordsKeepsEmptyPiecesOfBlankRuns) {
    EXPECT_EQ(vorn::splitWords("a  b"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(vorn::splitWords("play(1) now"), (Pieces{"play(1)", "now"}));
    EXPECT_EQ(vorn::splitWords("tab\tstays"), (Pieces{"tab\tstays"}));
}

TEST(StringUtils, TrimDropsOnlyTheWhiteSpaceAtBothEnds) {
    struct Case {
        std::string text, trimmed;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {" \t\n\v\f\r", ""},
        {"en_US\r\n", "en_US"},
        {"\t play( 1 ) ", "play( 1 )"},
        {"a \t b", "a \t b"},
        // Bytes of other characters, a no-break space among them, stay.
        {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vorn::trim(c.text), c.trimmed) << "'" << c.text << "'";
    }
}

TEST(StringUtils, ExtensionsLookAtTheWholePath) {
    struct Case {
        std::string path, last, lastTwo;
    };
    const std::vector<Case> cases = {
        {"file", "", ""},
        {"file.", "", ""},
        {"a.b", "b", ""},
        {"a.b.c", "c", "b.c"},
        {"gfx/ui.sprite.xml", "xml", "sprite.xml"},
        {"data.v2/readme", "v2/readme", ""},
        {"a.b.", "", "b."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vorn::lastExtension(c.path), c.last) << c.path;
        EXPECT_EQ(vorn::lastTwoExtensions(c.path), c.lastTwo) << c.path;
    }
}

TEST(StringUtils, ReadTextFileReturnsTheBytesAsStored) {
    vorn::test::TempDir dir;
    const std::string stored = std::string("\xEF\xBB\xBF" "a\r\nb\0c\n  ", 11);
    vorn::test::writeBytes(dir.file("t.txt"), stored);
    EXPECT_EQ(vorn::readTextFile(dir.file("t.txt")), stored);
    EXPECT_EQ(vorn::readTextFile(dir.file("t.txt"), "fallback"), stored);
}

TEST(StringUtils, ReadTextFileFallsBackForMissingAndEmptyFiles) {
    vorn::test::TempDir dir;
    const std::string missing = dir.file("missing.txt");
    testing::internal::CaptureStdout();
    EXPECT_EQ(vorn::readTextFile(missing, "en"), "en");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(countOf(log, "File not found: " + missing), 1u) << log;

    vorn::test::writeBytes(dir.file("empty.txt"), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(vorn::readTextFile(dir.file("empty.txt"), "en"), "en");
    EXPECT_EQ(vorn::readTextFile(dir.file("empty.txt")), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
