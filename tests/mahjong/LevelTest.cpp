// Layout files: reading, the byte-exact form the editor writes, and files
// that are not what they should be.

#include "mahjong/Level.h"

#include "core/Value.h"
#include "mahjong/Deck.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace mahjong {
namespace {

using vorn::test::LogCapture;
using vorn::test::readBytes;
using vorn::test::TempDir;
using vorn::test::writeBytes;

const char* const kGolden = "tests/mahjong/fixtures/golden_layout.plist";

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>";
}

TEST(LevelFile, ReadsEveryKey) {
    Level level(kGolden);
    EXPECT_EQ(level.path, kGolden);
    EXPECT_EQ(level.background, "forest");
    EXPECT_EQ(level.mode, 3);
    EXPECT_EQ(level.bearsCount, 2);
    ASSERT_EQ(level.places.size(), 3u);
    EXPECT_EQ(level.places[0], LevelPlace(0, 0, 0, 0));
    EXPECT_EQ(level.places[1], LevelPlace(2, 1, 0, 12));
    EXPECT_EQ(level.places[2], LevelPlace(1, 0, 1, 0));
    EXPECT_EQ(level.plainPlaceCount(), 2u);
    EXPECT_EQ(level.unshuffleable, (std::vector<int>{5, 9}));
    ASSERT_TRUE(level.deck);
    EXPECT_EQ(level.deck->fixed, (std::vector<int>{5, 9}));
    EXPECT_TRUE(level.deck->pool.empty());
}

TEST(LevelFile, SavesTheGoldenFileByteForByte) {
    TempDir dir;
    const std::string copy = dir.file("copy.plist");
    writeBytes(copy, readBytes(kGolden));
    Level level(copy);
    // Read, then written back unchanged.
    ASSERT_TRUE(level.save());
    EXPECT_EQ(readBytes(copy), readBytes(kGolden));

    // Built in memory, the same bytes.
    const std::string built = dir.file("built.plist");
    Level fresh(built);
    fresh.background = "forest";
    fresh.setMode(3);
    fresh.setBearsCount(2);
    fresh.setPlaces({LevelPlace(0, 0, 0, -1), LevelPlace(2, 1, 0, 12), LevelPlace(1, 0, 1, 0)});
    fresh.unshuffleable = {5, 9};
    ASSERT_TRUE(fresh.save());
    const std::string bytes = readBytes(built);
    EXPECT_EQ(bytes, readBytes(kGolden));
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "</plist>");
}

TEST(LevelFile, DefaultsAndWhatIsNotWritten) {
    TempDir dir;
    const std::string fourPlaces = "<key>places</key><array>"
                                   "<array><integer>0</integer><integer>0</integer><integer>0</integer></array>"
                                   "<array><integer>2</integer><integer>0</integer><integer>0</integer></array>"
                                   "<array><integer>4</integer><integer>0</integer><integer>0</integer></array>"
                                   "<array><integer>6</integer><integer>0</integer><integer>0</integer></array></array>";
    struct Case {
        const char* name;
        std::string body;
        int mode, bears;
        bool fixedTypes;
        const char* absentAfterSave;
    };
    const Case cases[] = {
        {"bears outside mode 3 are ignored", "<dict><key>mode</key><integer>2</integer><key>bearsCount</key><integer>5</integer></dict>", 2, 0, false, "bearsCount"},
        {"no mode means mode 1", "<dict><key>places</key><array/></dict>", 1, 0, false, "bearsCount"},
        {"empty fixed list", "<dict><key>unshuffleable</key><array/></dict>", 1, 0, false, "unshuffleable"},
        {"mode 3 without bears", "<dict><key>mode</key><integer>3</integer></dict>", 3, 0, false, "background"},
        {"numbers given as text", "<dict><key>mode</key><string>3</string><key>bearsCount</key><string>4</string>" + fourPlaces + "</dict>", 3, 4, false, "unshuffleable"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("case.plist");
        writeBytes(path, plist(c.body));
        Level level(path);
        EXPECT_EQ(level.mode, c.mode) << c.name;
        EXPECT_EQ(level.bearsCount, c.bears) << c.name;
        EXPECT_EQ(!level.deck->fixed.empty(), c.fixedTypes) << c.name;
        ASSERT_TRUE(level.save()) << c.name;
        const vorn::Value saved = vorn::Value::fromPlistFile(path);
        EXPECT_TRUE(saved.get(c.absentAfterSave).isNil()) << c.name;
        EXPECT_EQ(saved.get("mode").asInt(), c.mode) << c.name;
        // "places" is written even when empty.
        EXPECT_EQ(saved.get("places").type(), vorn::Value::ARRAY) << c.name;
        Level again(path);
        EXPECT_EQ(again.mode, level.mode) << c.name;
        EXPECT_EQ(again.bearsCount, level.bearsCount) << c.name;
    }
}

TEST(LevelFile, MalformedFilesLoadEmptyWithALogLine) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string text;
    };
    const std::string place = "<array><integer>0</integer><integer>0</integer><integer>0</integer></array>";
    const Case cases[] = {
        {"root is an array", plist("<array>" + place + "</array>")},
        {"root is a string", plist("<string>places</string>")},
        {"places is a dictionary", plist("<dict><key>places</key><dict/></dict>")},
        {"places is a number", plist("<dict><key>places</key><integer>3</integer></dict>")},
        {"short place", plist("<dict><key>places</key><array>" + place +
                              "<array><integer>1</integer><integer>2</integer></array></array></dict>")},
        {"place is a number", plist("<dict><key>places</key><array><integer>4</integer></array></dict>")},
        {"text for a coordinate", plist("<dict><key>places</key><array><array><integer>0</integer><string>abc</string>"
                                        "<integer>0</integer></array></array></dict>")},
        {"dictionary for a coordinate", plist("<dict><key>places</key><array><array><dict/><integer>0</integer>"
                                              "<integer>0</integer></array></array></dict>")},
        {"text for the mode", plist("<dict><key>places</key><array>" + place +
                                    "</array><key>mode</key><string>two</string></dict>")},
        {"text for a fixed type", plist("<dict><key>places</key><array>" + place +
                                        "</array><key>unshuffleable</key><array><string>x</string></array></dict>")},
        {"fixed types not a list", plist("<dict><key>places</key><array>" + place +
                                         "</array><key>unshuffleable</key><integer>5</integer></dict>")},
        {"overlapping places", plist("<dict><key>places</key><array>" + place +
                                     "<array><integer>1</integer><integer>1</integer><integer>0</integer></array>"
                                     "</array></dict>")},
        {"place beyond the grid", plist("<dict><key>places</key><array><array><integer>35</integer><integer>0</integer>"
                                        "<integer>0</integer></array></array></dict>")},
        {"negative layer", plist("<dict><key>places</key><array><array><integer>0</integer><integer>0</integer>"
                                 "<integer>-1</integer></array></array></dict>")},
        {"not XML", "places: [[0, 0, 0]]"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("bad.plist");
        writeBytes(path, c.text);
        LogCapture log;
        Level level(path);
        EXPECT_TRUE(level.places.empty()) << c.name;
        EXPECT_EQ(level.mode, 1) << c.name;
        EXPECT_EQ(level.bearsCount, 0) << c.name;
        EXPECT_TRUE(level.background.empty()) << c.name;
        EXPECT_TRUE(level.unshuffleable.empty()) << c.name;
        ASSERT_TRUE(level.deck) << c.name;
        EXPECT_TRUE(level.deck->fixed.empty()) << c.name;
        EXPECT_NE(log.text().find(path), std::string::npos) << c.name << ": " << log.text();
    }
}

// Each bear takes a place: a count beyond the places (a hundred thousand
// took seconds to deal) is cut to them, with a log line.
TEST(LevelFile, MoreBearsThanPlacesAreCutToThePlaces) {
    TempDir dir;
    const std::string path = dir.file("bears.plist");
    writeBytes(path, plist("<dict><key>mode</key><integer>3</integer><key>bearsCount</key><integer>100000</integer>"
                           "<key>places</key><array>"
                           "<array><integer>0</integer><integer>0</integer><integer>0</integer></array>"
                           "<array><integer>2</integer><integer>0</integer><integer>0</integer></array>"
                           "<array><integer>4</integer><integer>0</integer><integer>0</integer></array></array></dict>"));
    LogCapture log;
    Level level(path);
    EXPECT_EQ(level.places.size(), 3u);
    EXPECT_EQ(level.bearsCount, 3);
    EXPECT_EQ(log.count(path + ": bearsCount 100000 is more than its 3 places; 3 used"), 1) << log.text();
}

TEST(LevelFile, MissingFileIsEmpty) {
    LogCapture log;
    Level level("no/such/layout.plist");
    EXPECT_TRUE(level.places.empty());
    EXPECT_EQ(level.mode, 1);
    EXPECT_NE(log.text().find("no/such/layout.plist"), std::string::npos);
}

TEST(LevelFile, TouchingPlacesAreNoOverlap) {
    // Side by side, half-shifted, and stacked: all fine.
    const std::vector<LevelPlace> places = {LevelPlace(0, 0, 0, 0), LevelPlace(2, 1, 0, 0), LevelPlace(0, 2, 0, 0),
                                            LevelPlace(1, 1, 1, 0)};
    EXPECT_EQ(findOverlap(places), std::make_pair(-1, -1));
    std::vector<LevelPlace> shared = places;
    shared.emplace_back(3, 2, 0, 0);
    EXPECT_EQ(findOverlap(shared), std::make_pair(1, 4));
}

TEST(LevelFile, SaveFailuresAreReported) {
    Level builtIn;
    {
        LogCapture log;
        EXPECT_FALSE(builtIn.save());
        EXPECT_FALSE(log.text().empty());
    }
    TempDir dir;
    Level level(dir.file("missing-folder/layout.plist"));
    level.places = {LevelPlace(0, 0, 0, 0)};
    LogCapture log;
    EXPECT_FALSE(level.save());
    EXPECT_NE(log.text().find("layout.plist"), std::string::npos);
}

TEST(LevelFile, BuiltInLayout) {
    Level level;
    ASSERT_EQ(level.places.size(), 28u);
    EXPECT_EQ(level.places.front(), LevelPlace(1, 1, 0, -1));
    EXPECT_EQ(level.places[17], LevelPlace(11, 5, 0, -1));
    EXPECT_EQ(level.places[18], LevelPlace(2, 2, 1, -1));
    EXPECT_EQ(level.places.back(), LevelPlace(10, 4, 1, -1));
    EXPECT_EQ(level.plainPlaceCount(), 28u);
    EXPECT_EQ(level.mode, 1);
    EXPECT_TRUE(level.path.empty());
    EXPECT_EQ(level.deck->pool.size(), 144u);
}

} // namespace
} // namespace mahjong
