#include "audio/AudioSample.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "render/ImageData.h"
#include "render/Texture.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

using vorn::ResourceInfo;
using vorn::ResourceManager;
using vorn::XMLDocument;
using vorn::test::DataTree;
using vorn::test::FakeRender;
using vorn::test::LogCapture;

namespace {

// The manager is one per process and every test runs in its own process,
// so each test may set its search paths and screen freely.
ResourceManager* manager() { return ResourceManager::instance(); }

void setScreenHeight(float height) {
    vorn::Platform::instance()->setDesktopSizeForTesting({height * 16.0f / 9.0f, height});
}

// A 4 x 4 RGBA image, stored as raw pixels: the bitmap loader takes any file
// that is not PNG or JPEG as square pixels of the requested format.
std::string rawImage() { return std::string(4 * 4 * 4, '\x7f'); }

} // namespace

TEST(ResourceNames, ScaleSuffixRules) {
    struct Case {
        const char* name;
        const char* with2x;
        const char* stripped;
    };
    const Case cases[] = {
        {"gfx/btn.png", "gfx/btn@2x.png", "gfx/btn.png"},
        {"gfx/btn@2x.png", "gfx/btn@2x@2x.png", "gfx/btn.png"},
        {"ui.atlas.xml", "ui@2x.atlas.xml", "ui.atlas.xml"},
        {"ui@2x.atlas.xml", "ui@2x@2x.atlas.xml", "ui.atlas.xml"},
        {"dir.v2/file.png", "dir.v2/file@2x.png", "dir.v2/file.png"},
        {"dir@2x/file.png", "dir@2x/file@2x.png", "dir@2x/file.png"},
        {"noext", "noext@2x", "noext"},
        {"noext@2x", "noext@2x@2x", "noext"},
        {"a@b@2x.png", "a@b@2x@2x.png", "a.png"},
        {"a.b@2x.png", "a@2x.b@2x.png", "a.b@2x.png"},
        {"", "@2x", ""},
        {"folder/", "folder/@2x", "folder/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResourceManager::make2xName(c.name), c.with2x) << c.name;
        EXPECT_EQ(ResourceManager::stripScaleSuffix(c.name), c.stripped) << c.name;
    }
}

TEST(ResourceNames, ResolveSplitsKindExtensionAndParameter) {
    DataTree tree;
    setScreenHeight(720);
    struct Case {
        const char* name;
        const char* path;
        const char* extension;
        const char* kind;
        const char* param;
    };
    const Case cases[] = {
        {"ubuntu.bold.ttf:20", "ubuntu.bold.ttf", "ttf", "bold.ttf", "20"},
        {"font.ttf:20", "font.ttf", "ttf", "ttf", "20"},
        {"data/gfx/bg.jpg", "data/gfx/bg.jpg", "jpg", "jpg", ""},
        {"data/scenes/map.sg.xml", "data/scenes/map.sg.xml", "xml", "sg.xml", ""},
        {"data/atlases/ui.atlas.xml", "data/atlases/ui.atlas.xml", "xml", "atlas.xml", ""},
        {"data/x.y.z.png", "data/x.y.z.png", "png", "z.png", ""},
        // The whole path is split: a dot in a folder name counts.
        {"data.v2/file", "data.v2/file", "v2/file", "v2/file", ""},
        {"noext", "noext", "", "", ""},
        {"a.png:", "a.png", "png", "png", ""},
        {"a.ttf:10:extra", "a.ttf", "ttf", "ttf", "10"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const ResourceInfo info = manager()->resolve(c.name);
        EXPECT_EQ(info.path, c.path) << c.name;
        EXPECT_EQ(info.extension, c.extension) << c.name;
        EXPECT_EQ(info.kind, c.kind) << c.name;
        EXPECT_EQ(info.param, c.param) << c.name;
        EXPECT_FALSE(info.hd) << c.name;
        EXPECT_EQ(info.scale, 1.0f) << c.name;
    }
}

TEST(ResourceNames, SearchPathsLastAddedFirstThenTheNameItself) {
    DataTree tree;
    tree.write("A/data/both.png", "a");
    tree.write("B/data/both.png", "b");
    tree.write("A/data/only_a.png", "a");
    tree.write("C/data/in_c.png", "c");
    tree.write("data/plain.png", "p");
    tree.write("data/sub/keep", "k");
    manager()->addSearchPath("A");
    manager()->addSearchPath("B");
    manager()->addSearchPath("C/");
    manager()->addSearchPath("");

    struct Case {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"data/both.png", "B/data/both.png"},
        {"data/only_a.png", "A/data/only_a.png"},
        // A search path with its own "/" gets no second one.
        {"data/in_c.png", "C/data/in_c.png"},
        // An empty search path is the working directory, never "/".
        {"data/plain.png", "data/plain.png"},
        // Folders count as found.
        {"data/sub", "data/sub"},
        {"data/missing.png", "data/missing.png"},
    };
    for (const Case& c : cases) EXPECT_EQ(manager()->getPath(c.name), c.path) << c.name;
}

TEST(ResourceNames, LargeScreensPreferTheDoubleResolutionFile) {
    DataTree tree;
    tree.write("data/gfx/both.png", "1");
    tree.write("data/gfx/both@2x.png", "2");
    tree.write("data/gfx/plain.png", "1");
    tree.write("portals/data/gfx/ported@2x.png", "2");
    tree.write("data/gfx/ported.png", "1");
    tree.write("data/ui@2x.atlas.xml", "<a/>");
    manager()->addSearchPath("portals");

    struct Case {
        float screenHeight;
        const char* name;
        const char* path;
        bool hd;
    };
    const Case cases[] = {
        {1080, "data/gfx/both.png", "data/gfx/both@2x.png", true},
        {1080, "data/gfx/plain.png", "data/gfx/plain.png", false},
        {1080, "data/gfx/ported.png", "portals/data/gfx/ported@2x.png", true},
        {1080, "data/ui.atlas.xml", "data/ui@2x.atlas.xml", true},
        {1440, "data/gfx/both.png:7", "data/gfx/both@2x.png", true},
        {1079, "data/gfx/both.png", "data/gfx/both.png", false},
        {1079, "data/gfx/ported.png", "data/gfx/ported.png", false},
        {768, "data/ui.atlas.xml", "data/ui.atlas.xml", false},
    };
    for (const Case& c : cases) {
        setScreenHeight(c.screenHeight);
        EXPECT_EQ(manager()->isLargeScreen(), c.screenHeight >= 1080) << c.screenHeight;
        const ResourceInfo info = manager()->resolve(c.name);
        EXPECT_EQ(info.path, c.path) << c.name << " at " << c.screenHeight;
        EXPECT_EQ(info.hd, c.hd) << c.name << " at " << c.screenHeight;
        EXPECT_EQ(info.scale, c.hd ? 2.0f : 1.0f) << c.name << " at " << c.screenHeight;
    }

    bool found = false;
    EXPECT_EQ(ResourceManager::existing2xName("data/gfx/both.png", &found), "data/gfx/both@2x.png");
    EXPECT_TRUE(found);
    EXPECT_EQ(ResourceManager::existing2xName("data/gfx/plain.png", &found), "data/gfx/plain.png");
    EXPECT_FALSE(found);
    EXPECT_EQ(ResourceManager::existing2xName("data/gfx/both", &found), "data/gfx/both");
    EXPECT_FALSE(found);
    EXPECT_EQ(ResourceManager::existing2xName("data/gfx/both.png", nullptr), "data/gfx/both@2x.png");
}

TEST(ResourceManager, DoubleResolutionImagesShowAtHalfTheirPixelSize) {
    DataTree tree;
    FakeRender render;
    manager()->setRender(&render);
    tree.write("data/gfx/tile.png", std::string(2 * 2 * 4, '\x10'));
    tree.write("data/gfx/tile@2x.png", rawImage());
    tree.write("data/gfx/other.png", std::string(2 * 2 * 4, '\x10'));
    tree.write("data/gfx/other@2x.png", rawImage());

    setScreenHeight(1080);
    auto hd = std::dynamic_pointer_cast<vorn::ImageData>(manager()->getResource("data/gfx/tile.png"));
    ASSERT_TRUE(hd);
    EXPECT_EQ(hd->getWidth(), 4.0f);
    EXPECT_EQ(hd->getScale(), 0.5f);
    EXPECT_EQ(hd->bounds().w, 2.0f);

    setScreenHeight(900);
    auto plain = std::dynamic_pointer_cast<vorn::ImageData>(manager()->getResource("data/gfx/other.png"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->getWidth(), 2.0f);
    EXPECT_EQ(plain->getScale(), 1.0f);
    EXPECT_EQ(plain->bounds().w, 2.0f);
    manager()->setRender(nullptr);
}

TEST(ResourceManager, OneObjectPerRequestedName) {
    DataTree tree;
    FakeRender render;
    manager()->setRender(&render);
    setScreenHeight(720);
    tree.write("data/scenes/map.sg.xml", "<scene/>");
    tree.write("portals/data/gfx/tile.png", rawImage());
    manager()->addSearchPath("portals");

    LogCapture log;
    const auto scene = manager()->getResource("data/scenes/map.sg.xml");
    const auto again = manager()->getResource("data/scenes/map.sg.xml");
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene, again);
    EXPECT_EQ(scene->name(), "data/scenes/map.sg.xml");

    const auto tile = manager()->getResource("data/gfx/tile.png");
    // The same file under another name is another resource.
    const auto direct = manager()->getResource("portals/data/gfx/tile.png");
    ASSERT_TRUE(tile);
    ASSERT_TRUE(direct);
    EXPECT_NE(tile, direct);
    EXPECT_EQ(manager()->getResource("data/gfx/tile.png"), tile);

    EXPECT_EQ(log.count("getResource data/scenes/map.sg.xml <- data/scenes/map.sg.xml"), 1) << log.text();
    EXPECT_EQ(log.count("getResource data/gfx/tile.png <- portals/data/gfx/tile.png"), 1) << log.text();
    EXPECT_EQ(log.count("getResource portals/data/gfx/tile.png <- portals/data/gfx/tile.png"), 1);
    EXPECT_EQ(render.texturesMade, 2);
    manager()->setRender(nullptr);
}

TEST(ResourceManager, XmlOfEveryKindIsADocument) {
    DataTree tree;
    setScreenHeight(720);
    const char* names[] = {"data/a.xml", "data/scenes/b.sg.xml", "data/gfx/c.sprite.xml", "data/d.action.xml"};
    for (const char* name : names) {
        tree.write(name, "<root attr=\"1\"><child/></root>");
        const auto document = std::dynamic_pointer_cast<XMLDocument>(manager()->getResource(name));
        ASSERT_TRUE(document) << name;
        ASSERT_TRUE(document->root()) << name;
        EXPECT_STREQ(document->root()->Name(), "root") << name;
        EXPECT_STREQ(document->root()->Attribute("attr"), "1") << name;
    }
}

TEST(ResourceManager, RequestsThatMakeNothingAreNotCached) {
    DataTree tree;
    setScreenHeight(720);
    tree.write("data/readme.txt", "text");
    tree.write("data/fonts/face.ttf", "not really a font");
    struct Case {
        const char* name;
        const char* logged;
    };
    const Case cases[] = {
        {"data/readme.txt", "no loader for files of kind 'txt'"},
        {"data/noext", "no loader"},
        {"data/b.png.bak", "no loader"},
        // A second dot before the extension makes a kind no loader takes.
        {"data/gfx/tile.v2.png", "no loader for files of kind 'v2.png'"},
        {"face.ttf", "needs its size"},
        {"face.ttf:", "needs its size"},
        {"face.ttf:big", "font size 'big' is not a number"},
        {"face.ttf:1e99", "font size '1e99' is not a number"},
        {"face.ttf:nan", "font size 'nan' is not a number"},
        {"face.ttf:inf", "font size 'inf' is not a number"},
    };
    for (const Case& c : cases) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            LogCapture log;
            EXPECT_EQ(manager()->getResource(c.name), nullptr) << c.name;
            EXPECT_EQ(log.count(std::string("getResource ") + c.name + " <- "), 1) << c.name << log.text();
            EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.name << ": " << log.text();
        }
        EXPECT_FALSE(manager()->isCached(c.name)) << c.name;
    }
}

TEST(ResourceManager, SoundsComeFromTheAudioEngineAndAreCached) {
    DataTree tree;
    setScreenHeight(720);
    LogCapture log;
    // A file that is not there still makes a sample, one that plays nothing.
    const auto sample = manager()->getResource("data/sfx/click.ogg");
    ASSERT_NE(std::dynamic_pointer_cast<vorn::AudioSample>(sample), nullptr);
    EXPECT_EQ(manager()->getResource("data/sfx/click.ogg"), sample);
    EXPECT_TRUE(manager()->isCached("data/sfx/click.ogg"));
    EXPECT_EQ(log.count("getResource data/sfx/click.ogg"), 1);
}

TEST(ResourceManager, ClearXMLCacheRereadsEditedFilesAndKeepsTheRest) {
    DataTree tree;
    FakeRender render;
    manager()->setRender(&render);
    setScreenHeight(720);
    tree.write("data/scenes/map.sg.xml", "<scene version=\"1\"/>");
    tree.write("data/gfx/tile.png", rawImage());

    const auto before = std::dynamic_pointer_cast<XMLDocument>(manager()->getResource("data/scenes/map.sg.xml"));
    const auto image = manager()->getResource("data/gfx/tile.png");
    tree.write("data/scenes/map.sg.xml", "<scene version=\"2\"/>");
    EXPECT_EQ(manager()->getResource("data/scenes/map.sg.xml"), before);

    LogCapture log;
    manager()->clearXMLCache();
    manager()->clearCache();
    EXPECT_EQ(log.count("ResourceManager::clearXMLCache()"), 1);
    const auto after = std::dynamic_pointer_cast<XMLDocument>(manager()->getResource("data/scenes/map.sg.xml"));
    ASSERT_TRUE(after);
    EXPECT_NE(after, before);
    EXPECT_STREQ(after->root()->Attribute("version"), "2");
    // Holders of the old document keep it whole.
    EXPECT_STREQ(before->root()->Attribute("version"), "1");
    EXPECT_EQ(manager()->getResource("data/gfx/tile.png"), image);
    manager()->setRender(nullptr);
}

// After a screen has gone, the large pictures only it showed are let go;
// what is still shown, small pictures, atlases and other kinds stay.
TEST(ResourceManager, UnusedLargePicturesAreLetGoAndReadAgainWhenAskedFor) {
    DataTree tree;
    FakeRender render;
    manager()->setRender(&render);
    setScreenHeight(720);
    const auto square = [](int side) { return std::string(static_cast<std::size_t>(side * side * 4), '\x40'); };
    tree.write("data/gfx/gone.png", square(16));
    tree.write("data/gfx/shown.png", square(16));
    tree.write("data/gfx/shared.png", square(16));
    tree.write("data/gfx/small.png", square(4));
    tree.write("data/atlases/sheet.png", square(16));
    tree.write("data/atlases/sheet.atlas.xml", R"(<atlas imagePath="sheet.png"><sprite n="leaf" x="0" y="0" w="4" h="4"/></atlas>)");
    tree.write("data/notes.xml", "<notes/>");

    for (const char* name : {"data/gfx/gone.png", "data/gfx/small.png", "data/atlases/sheet.atlas.xml", "data/notes.xml"}) {
        ASSERT_TRUE(manager()->getResource(name)) << name;
    }
    // An image node's copy holds the texture; a shared frame holds the picture.
    const vorn::ImageData shownCopy =
        *std::dynamic_pointer_cast<vorn::ImageData>(manager()->getResource("data/gfx/shown.png"));
    const auto sharedFrame = manager()->getResource("data/gfx/shared.png");
    const std::weak_ptr<vorn::Texture> goneTexture =
        std::dynamic_pointer_cast<vorn::ImageData>(manager()->getResource("data/gfx/gone.png"))->getTexture();
    const int made = render.texturesMade;

    LogCapture log;
    EXPECT_EQ(manager()->releaseUnusedPictures(100), 1u);
    EXPECT_EQ(log.count("1 unused pictures let go"), 1) << log.text();
    EXPECT_FALSE(manager()->isCached("data/gfx/gone.png"));
    EXPECT_TRUE(goneTexture.expired());
    for (const char* name : {"data/gfx/shown.png", "data/gfx/shared.png", "data/gfx/small.png",
                             "data/atlases/sheet.atlas.xml", "leaf", "data/notes.xml"}) {
        EXPECT_TRUE(manager()->isCached(name)) << name;
    }
    EXPECT_EQ(manager()->releaseUnusedPictures(100), 0u);

    const auto again = std::dynamic_pointer_cast<vorn::ImageData>(manager()->getResource("data/gfx/gone.png"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->getWidth(), 16.0f);
    EXPECT_EQ(render.texturesMade, made + 1);
    manager()->setRender(nullptr);
}
