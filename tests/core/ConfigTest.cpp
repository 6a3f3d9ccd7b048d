#include "core/Config.h"
#include "core/ResourceManager.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

using vorn::Config;
using vorn::Value;
using vorn::test::DataTree;
using vorn::test::plist;

namespace {

const char* const configBody = R"(<dict>
  <key>rewards</key>
  <dict>
    <key>win</key><integer>50</integer>
    <key>star1</key><integer>10</integer>
    <key></key><string>empty key</string>
  </dict>
  <key>music_volume_k</key><real>0.5</real>
  <key>music</key>
  <dict>
    <key>map</key><array><string>a</string><string>b</string></array>
  </dict>
  <key>a.b</key><integer>7</integer>
  <key>limit</key><integer>5</integer>
</dict>)";

} // namespace

TEST(Config, DottedPathsWalkNestedDictionaries) {
    DataTree tree;
    tree.write("data/config.plist", plist(configBody));
    const Config* config = Config::instance();

    struct Case {
        const char* path;
        Value::Type type;
        const char* text;
    };
    const Case cases[] = {
        {"rewards.win", Value::INTEGER, "50"},
        {"rewards.star1", Value::INTEGER, "10"},
        {"music_volume_k", Value::REAL, "0.500000"},
        {"rewards.missing", Value::NIL, ""},
        {"missing.win", Value::NIL, ""},
        // A value that is not a dictionary ends the walk and is returned.
        {"limit.x.y", Value::INTEGER, "5"},
        {"music.map.0", Value::ARRAY, ""},
        // Empty pieces look up the key "".
        {"rewards.", Value::STRING, "empty key"},
        {"", Value::NIL, ""},
        // A key holding a dot cannot be reached by path.
        {"a.b", Value::NIL, ""},
    };
    for (const Case& c : cases) {
        const Value& v = config->get(c.path);
        EXPECT_EQ(v.type(), c.type) << c.path;
        if (c.type != Value::ARRAY) {
            EXPECT_EQ(v.toString(), c.text) << c.path;
        }
    }
    EXPECT_EQ(config->get("rewards").type(), Value::DICT);
    EXPECT_EQ(config->get("rewards").keys().size(), 3u);
    EXPECT_EQ(config->get("music.map").size(), 2u);
    // A missing key is the one shared NIL, valid for the life of the process.
    EXPECT_EQ(&config->get("rewards.nothing"), &Value::null);
}

TEST(Config, IsReadOnceOnFirstUse) {
    DataTree tree;
    tree.write("data/config.plist", plist("<dict><key>x</key><integer>1</integer></dict>"));
    EXPECT_EQ(Config::instance()->get("x").asInt(), 1);
    tree.write("data/config.plist", plist("<dict><key>x</key><integer>2</integer></dict>"));
    EXPECT_EQ(Config::instance()->get("x").asInt(), 1);
}

TEST(Config, SearchPathCopyWinsOverTheWorkingDirectory) {
    DataTree tree;
    tree.write("data/config.plist", plist("<dict><key>from</key><string>plain</string></dict>"));
    tree.write("variant/data/config.plist", plist("<dict><key>from</key><string>variant</string></dict>"));
    vorn::ResourceManager::instance()->addSearchPath("variant");
    EXPECT_EQ(Config::instance()->get("from").toString(), "variant");
}

TEST(Config, MissingOrBrokenFileGivesNilEverywhere) {
    for (const char* content : {"", "<plist><dict><key>a</key>", "not xml at all"}) {
        DataTree tree;
        if (*content) tree.write("data/config.plist", content);
        Config* config = Config::instance();
        config->load();
        EXPECT_TRUE(config->value().isNil()) << content;
        EXPECT_TRUE(config->get("rewards.win").isNil()) << content;
        EXPECT_TRUE(config->get("").isNil()) << content;
    }
}

TEST(Config, WalkRunsOverAnyValue) {
    Value root(Value::DICT);
    Value inner(Value::DICT);
    inner.set(Value("deep"), "c");
    Value middle(Value::DICT);
    middle.set(inner, "b");
    root.set(middle, "a");
    root.set(Value("top"), "s");

    EXPECT_EQ(Config::get(root, "a.b.c").toString(), "deep");
    EXPECT_EQ(Config::get(root, "s.anything").toString(), "top");
    EXPECT_TRUE(Config::get(root, "a.x.c").isNil());
    EXPECT_EQ(Config::get(Value(3), "a.b").asInt(), 3);
}
