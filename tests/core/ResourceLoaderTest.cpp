#include "core/Locale.h"
#include "core/Localization.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "render/Bitmap.h"
#include "render/ImageData.h"
#include "render/fonts/BMFont.h"
#include "render/fonts/EasyFont.h"
#include "render/fonts/TTFFont.h"
#include "widgets/UiDefaults.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

#include <tinyxml2.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

using vorn::ImageData;
using vorn::ResourceManager;
using vorn::XMLDocument;
using vorn::test::DataTree;
using vorn::test::FakeRender;
using vorn::test::FakeTexture;
using vorn::test::LogCapture;
using vorn::test::plist;

namespace {

ResourceManager* manager() { return ResourceManager::instance(); }

// Read before any test changes the working directory away from the
// repository's root.
const std::string shippedFont = vorn::test::readBytes("data/fonts/DejaVuSans-Bold.ttf");

// Every loader test draws nothing, but images need a renderer to make their
// textures; the screen is small unless a test says otherwise.
class Loaders : public testing::Test {
protected:
    void SetUp() override {
        vorn::Platform::instance()->setDesktopSizeForTesting({1280.0f, 720.0f});
        manager()->setRender(&render);
    }
    void TearDown() override { manager()->setRender(nullptr); }

    std::shared_ptr<ImageData> image(const std::string& name) {
        return std::dynamic_pointer_cast<ImageData>(manager()->getResource(name));
    }

    DataTree tree;
    FakeRender render;
};

std::string png(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4), 0xff);
    std::string out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
        },
        &out, width, height, 4, pixels.data(), width * 4);
    return out;
}

glm::vec2 corner(const ImageData& frame, size_t i) {
    const auto& v = frame.getVertexData()->vertices.at(i);
    return {v.x, v.y};
}

const char* const bitmapFont = R"(<font>
  <common lineHeight="20" base="16" />
  <pages><page id="0" file="page.png" /></pages>
  <chars><char id="65" x="0" y="0" width="8" height="10" xoffset="0" yoffset="2" xadvance="9" page="0" /></chars>
  <kernings />
</font>)";

} // namespace

TEST_F(Loaders, XmlFailuresGiveADocumentWithoutRoot) {
    tree.write("data/bad.xml", "<root><unclosed></root>");
    tree.write("data/empty.xml", "");
    struct Case {
        const char* name;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {"data/missing.xml", {"File not found: data/missing.xml", "Can't open or parse: data/missing.xml []"}},
        {"data/bad.xml", {"Can't open or parse: data/bad.xml [<root><unclosed></root>]"}},
        {"data/empty.xml", {"Can't open or parse: data/empty.xml []"}},
    };
    for (const Case& c : cases) {
        LogCapture log;
        const auto document = std::dynamic_pointer_cast<XMLDocument>(manager()->getResource(c.name));
        ASSERT_TRUE(document) << c.name;
        EXPECT_EQ(document->root(), nullptr) << c.name;
        EXPECT_EQ(document->name(), c.name);
        for (const std::string& line : c.logged) {
            EXPECT_NE(log.text().find(line), std::string::npos) << c.name << ": " << log.text();
        }
    }
}

TEST_F(Loaders, ImagesDecodeFromPngAndFailToAnEmptyFrame) {
    tree.write("data/gfx/real.png", png(6, 3));
    tree.write("data/gfx/broken.png", "\x89PNG\r\n\x1a\nthat is all");

    const auto real = image("data/gfx/real.png");
    ASSERT_TRUE(real);
    EXPECT_EQ(real->getWidth(), 6.0f);
    EXPECT_EQ(real->getHeight(), 3.0f);
    EXPECT_EQ(corner(*real, 2), glm::vec2(6.0f, 3.0f));
    EXPECT_EQ(real->getTexture()->getBitmap()->format(), vorn::PixelFormatRGBA8888);

    for (const char* name : {"data/gfx/missing.png", "data/gfx/broken.png"}) {
        LogCapture log;
        const auto frame = image(name);
        ASSERT_TRUE(frame) << name;
        EXPECT_EQ(frame->getWidth(), 0.0f) << name;
        EXPECT_EQ(frame->getHeight(), 0.0f) << name;
        ASSERT_TRUE(frame->getTexture()) << name;
        EXPECT_TRUE(frame->getTexture()->getBitmap()->empty()) << name;
        EXPECT_EQ(manager()->getResource(name), frame) << name;
    }
}

TEST_F(Loaders, NothingIsUploadedUntilTheFrameIsLoaded) {
    tree.write("data/gfx/tile.png", png(2, 2));
    const auto frame = image("data/gfx/tile.png");
    ASSERT_TRUE(frame);
    auto* texture = dynamic_cast<FakeTexture*>(frame->getTexture().get());
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->loads, 0);
    frame->load();
    EXPECT_EQ(texture->loads, 1);
}

TEST(LoadersWithoutRenderer, ImagesWaitForTheRendererUncached) {
    DataTree tree;
    vorn::Platform::instance()->setDesktopSizeForTesting({1280.0f, 720.0f});
    tree.write("data/gfx/tile.png", png(2, 2));
    tree.write("data/ui.atlas.xml", "<atlas imagePath=\"ui.png\"><sprite n=\"a.png\" w=\"1\" h=\"1\"/></atlas>");
    for (const char* name : {"data/gfx/tile.png", "data/ui.atlas.xml"}) {
        LogCapture log;
        EXPECT_EQ(manager()->getResource(name), nullptr) << name;
        EXPECT_FALSE(manager()->isCached(name)) << name;
        EXPECT_NE(log.text().find("no renderer yet"), std::string::npos) << log.text();
    }
    FakeRender render;
    manager()->setRender(&render);
    EXPECT_TRUE(manager()->getResource("data/gfx/tile.png"));
    EXPECT_TRUE(manager()->getResource("data/ui.atlas.xml"));
    EXPECT_TRUE(manager()->getResource("a.png"));
    manager()->setRender(nullptr);
}

TEST_F(Loaders, AtlasFilesItsSpritesByName) {
    tree.write("data/atlases/ui.png", png(100, 100));
    tree.write("data/ui.atlas.xml", R"(<atlas imagePath="ui.png">
  <sprite n="btn@2x.png" x="10" y="20" w="30" h="40" oX="5" oY="6" oW="50" oH="60"/>
  <sprite n="icon.png" x="0" y="0" w="10" h="10"/>
  <sprite n="icon.png" x="50" y="50" w="20" h="20"/>
  <frame n="ignored.png" w="1" h="1"/>
</atlas>)");

    // Before its atlas, a sprite name is just a file that does not exist.
    EXPECT_TRUE(manager()->getResource("elsewhere.png"));

    const auto atlas = image("data/ui.atlas.xml");
    ASSERT_TRUE(atlas);
    EXPECT_EQ(atlas->getWidth(), 100.0f);
    EXPECT_EQ(atlas->getScale(), 1.0f);

    const auto button = image("btn.png");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->getWidth(), 50.0f);
    EXPECT_EQ(button->getHeight(), 60.0f);
    EXPECT_EQ(corner(*button, 0), glm::vec2(5.0f, 6.0f));
    EXPECT_EQ(corner(*button, 2), glm::vec2(35.0f, 46.0f));
    EXPECT_EQ(button->getTexture(), atlas->getTexture());
    EXPECT_FALSE(manager()->isCached("btn@2x.png"));

    // Of two sprites with one name the later stays.
    const auto icon = image("icon.png");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->getWidth(), 20.0f);
    EXPECT_FALSE(manager()->isCached("ignored.png"));
    EXPECT_EQ(render.texturesMade, 2); // elsewhere.png and the atlas image
}

TEST_F(Loaders, AtlasSpriteScale) {
    tree.write("data/atlases/ui.png", png(100, 100));
    tree.write("data/atlases/ui@2x.png", png(200, 200));
    struct Case {
        const char* name;
        const char* scaleAttribute; // null: none
        float screenHeight;
        bool hdFile;
        float spriteScale;
        const char* logged;
    };
    const Case cases[] = {
        {"none", nullptr, 720, false, 1.0f, nullptr},
        {"two", "2", 720, false, 0.5f, nullptr},
        {"half", "0.5", 720, false, 2.0f, nullptr},
        {"one", "1", 720, false, 1.0f, nullptr},
        {"hd file", nullptr, 1080, true, 0.5f, nullptr},
        {"hd file, one", "1", 1080, true, 0.5f, nullptr},
        {"hd file, two", "2", 1080, true, 0.5f, nullptr},
        {"hd file, four", "4", 1080, true, 0.25f, nullptr},
        {"zero", "0", 720, false, 1.0f, "scale '0' is not a positive number; 1 is used"},
        {"text", "big", 720, false, 1.0f, "scale 'big' is not a positive number"},
        {"negative", "-2", 720, false, 1.0f, "scale '-2' is not a positive number"},
        {"infinite", "inf", 720, false, 1.0f, "scale 'inf' is not a positive number"},
        {"zero on hd", "0", 1080, true, 0.5f, "is not a positive number"},
    };
    int round = 0;
    for (const Case& c : cases) {
        vorn::Platform::instance()->setDesktopSizeForTesting({c.screenHeight * 2.0f, c.screenHeight});
        const std::string base = "data/set" + std::to_string(round++);
        const std::string scale = c.scaleAttribute ? std::string(" scale=\"") + c.scaleAttribute + "\"" : "";
        const std::string sprite = "s" + std::to_string(round) + ".png";
        const std::string xml = "<atlas imagePath=\"ui.png\"" + scale + "><sprite n=\"" + sprite +
                                "\" x=\"0\" y=\"0\" w=\"10\" h=\"10\"/></atlas>";
        tree.write(c.hdFile ? base + "@2x.atlas.xml" : base + ".atlas.xml", xml);

        LogCapture log;
        ASSERT_TRUE(image(base + ".atlas.xml")) << c.name;
        const auto frame = image(sprite);
        ASSERT_TRUE(frame) << c.name;
        EXPECT_EQ(frame->getScale(), c.spriteScale) << c.name;
        EXPECT_EQ(frame->getWidth(), 10.0f) << c.name;
        EXPECT_EQ(corner(*frame, 2), glm::vec2(10.0f * c.spriteScale)) << c.name;
        if (c.logged) {
            EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.name << ": " << log.text();
        } else {
            EXPECT_EQ(log.text().find("Atlas"), std::string::npos) << c.name << ": " << log.text();
        }
    }
}

TEST_F(Loaders, BrokenAtlasesFailOnceAndStayFailed) {
    tree.write("data/atlases/ui.png", png(10, 10));
    struct Case {
        const char* name;
        const char* xml; // null: no file
        bool madeAtlas;
        const char* logged;
    };
    const Case cases[] = {
        {"data/missing.atlas.xml", nullptr, false, "File not found: data/missing.atlas.xml"},
        {"data/malformed.atlas.xml", "<atlas imagePath=\"ui.png\">", false, "Can't open or parse"},
        {"data/noimage.atlas.xml", "<atlas><sprite n=\"x.png\"/></atlas>", false, "has no imagePath"},
        {"data/nameless.atlas.xml", "<atlas imagePath=\"ui.png\"><sprite w=\"1\" h=\"1\"/><sprite n=\"ok.png\"/></atlas>",
         true, "a sprite without a name (line 1) is skipped"},
        {"data/imageless.atlas.xml", "<atlas imagePath=\"nothing.png\"><sprite n=\"lost.png\" w=\"4\" h=\"4\"/></atlas>",
         true, "File not found: data/atlases/nothing.png"},
        {"data/badpolygon.atlas.xml",
         "<atlas imagePath=\"ui.png\"><sprite n=\"poly.png\" w=\"4\" h=\"4\"><vertices>0 0 x</vertices>"
         "<verticesUV>0 0 1</verticesUV><triangles>0 1 9</triangles></sprite></atlas>",
         true, nullptr},
    };
    for (const Case& c : cases) {
        if (c.xml) tree.write(c.name, c.xml);
        {
            LogCapture log;
            const auto atlas = manager()->getResource(c.name);
            EXPECT_EQ(atlas != nullptr, c.madeAtlas) << c.name;
            if (c.logged) {
                EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.name << ": " << log.text();
            }
        }
        // Fixing the file changes nothing: the answer is cached.
        tree.write(c.name, "<atlas imagePath=\"ui.png\"/>");
        LogCapture again;
        EXPECT_EQ(manager()->getResource(c.name) != nullptr, c.madeAtlas) << c.name;
        EXPECT_EQ(again.text(), "") << c.name;
    }
    EXPECT_TRUE(image("ok.png"));
    const auto lost = image("lost.png");
    ASSERT_TRUE(lost);
    EXPECT_TRUE(lost->getTexture()->getBitmap()->empty());
    // A rejected polygon still gets a frame, one that draws nothing.
    const auto polygon = image("poly.png");
    ASSERT_TRUE(polygon);
    EXPECT_TRUE(polygon->getVertexData()->indices.empty());
}

TEST_F(Loaders, TextureFormatsApplyToTheExactPath) {
    tree.write("data/texture_formats.plist", plist(R"(<dict>
  <key>data/gfx/bg.jpg</key><string>RGB888</string>
  <key>data/gfx/mask.png</key><string>A8</string>
  <key>data/gfx/odd.png</key><string>BGRA8888</string>
  <key>data/atlases/ui.png</key><string>RGBA4444</string>
</dict>)"));
    // Raw pixels: the file's size in the table's format makes a square.
    tree.write("data/gfx/bg.jpg", std::string(2 * 2 * 3, 'x'));
    tree.write("data/gfx/bg@2x.jpg", std::string(4 * 4 * 4, 'x'));
    tree.write("portals/data/gfx/mask.png", std::string(4, 'x'));
    tree.write("data/gfx/mask.png", std::string(4, 'x'));
    tree.write("data/gfx/odd.png", std::string(4 * 4, 'x'));
    tree.write("data/atlases/ui.png", png(8, 8));
    tree.write("data/ui.atlas.xml", "<atlas imagePath=\"ui.png\"/>");

    LogCapture log;
    manager()->loadTextureFormats();
    EXPECT_NE(log.text().find("data/gfx/odd.png names no pixel format ('BGRA8888')"), std::string::npos)
        << log.text();
    EXPECT_EQ(manager()->textureFormat("data/gfx/bg.jpg"), vorn::PixelFormatRGB888);
    EXPECT_EQ(manager()->textureFormat("data/gfx/odd.png"), vorn::PixelFormatRGBA8888);
    EXPECT_EQ(manager()->textureFormat("data/gfx/other.png"), vorn::PixelFormatRGBA8888);

    const auto format = [&](const std::string& name) {
        const auto frame = image(name);
        return frame ? frame->getTexture()->getBitmap()->format() : -1;
    };
    EXPECT_EQ(format("data/gfx/bg.jpg"), vorn::PixelFormatRGB888);
    EXPECT_EQ(format("data/gfx/odd.png"), vorn::PixelFormatRGBA8888);
    EXPECT_EQ(format("data/ui.atlas.xml"), vorn::PixelFormatRGBA4444);
    manager()->addSearchPath("portals");
    // Resolved elsewhere, the path no longer matches the table's key.
    EXPECT_EQ(format("data/gfx/mask.png"), vorn::PixelFormatRGBA8888);
    vorn::Platform::instance()->setDesktopSizeForTesting({1920.0f, 1080.0f});
    EXPECT_EQ(format("data/gfx/bg.jpg:hd"), vorn::PixelFormatRGBA8888);
}

TEST_F(Loaders, TextureFormatTableThatIsNotADictionaryIsIgnored) {
    tree.write("data/texture_formats.plist", plist("<array><string>RGB888</string></array>"));
    LogCapture log;
    manager()->loadTextureFormats();
    EXPECT_NE(log.text().find("is not a dictionary"), std::string::npos);
    EXPECT_EQ(manager()->textureFormat("data/gfx/bg.jpg"), vorn::PixelFormatRGBA8888);
}

TEST_F(Loaders, FontKinds) {
    tree.write("data/fonts/small.xml", bitmapFont);
    tree.write("data/fonts/page.png", png(64, 64));
    tree.write("data/fonts/broken.xml", "<font>");
    tree.write("data/fonts/face.ttf", shippedFont);
    const auto defaultFont = vorn::UiDefaults::instance()->defaultFont();
    ASSERT_TRUE(std::dynamic_pointer_cast<vorn::EasyFont>(defaultFont));

    // Anything but TrueType and bitmap fonts is the default font.
    for (const char* name : {"", "face.fnt", "face", "small.XML"}) {
        EXPECT_EQ(manager()->getFont(name, 20), defaultFont) << name;
    }
    // A bitmap font is one object for every size.
    const auto bitmap = manager()->getFont("small.xml", 10);
    EXPECT_TRUE(std::dynamic_pointer_cast<vorn::BMFont>(bitmap));
    EXPECT_EQ(manager()->getFont("small.xml", 30), bitmap);
    EXPECT_EQ(bitmap->lineHeight(), 20.0f);
    // One without a root element is the default font, and is not kept.
    {
        LogCapture log;
        EXPECT_EQ(manager()->getFont("broken.xml", 10), defaultFont);
        EXPECT_NE(log.text().find("no bitmap font in data/fonts/broken.xml"), std::string::npos) << log.text();
    }
    // TrueType fonts are one object per size.
    const auto face20 = manager()->getFont("face.ttf", 20);
    ASSERT_TRUE(std::dynamic_pointer_cast<vorn::TTFFont>(face20));
    EXPECT_EQ(manager()->getFont("face.ttf", 20), face20);
    const auto face24 = manager()->getFont("face.ttf", 24);
    EXPECT_NE(face24, face20);
    EXPECT_GT(face24->lineHeight(), face20->lineHeight());
    EXPECT_EQ(face20->name(), "data/fonts/face.ttf");
    // Through getResource, with the size after ":".
    EXPECT_EQ(manager()->getResource("face.ttf:20"), face20);
    EXPECT_EQ(manager()->getResource("face.ttf:24"), face24);
    EXPECT_FALSE(manager()->isCached("face.ttf:20"));
    {
        LogCapture log;
        EXPECT_EQ(manager()->getFont("face.ttf", std::numeric_limits<float>::quiet_NaN()), defaultFont);
        EXPECT_NE(log.text().find("font size is not a number"), std::string::npos);
    }
}

TEST_F(Loaders, LocaleSubstitutesFontFiles) {
    tree.write("data/fonts/Substitute.ttf", shippedFont);
    auto locale = std::make_shared<vorn::Locale>("none");
    locale->setFont("ubuntu.bold.ttf", "Substitute.ttf");
    vorn::Localization::instance()->setLocale(locale);

    const auto font = manager()->getFont("ubuntu.bold.ttf", 20);
    EXPECT_EQ(font->name(), "data/fonts/Substitute.ttf");
    EXPECT_GT(font->lineHeight(), 0.0f);
    // Fonts are filed by the file they load, whatever name asked for it.
    EXPECT_EQ(manager()->getFont("Substitute.ttf", 20), font);
}

TEST(UiDefaults, DefaultFontIsTheVectorFontUntilReplaced) {
    vorn::UiDefaults* defaults = vorn::UiDefaults::instance();
    EXPECT_EQ(defaults, vorn::UiDefaults::instance());
    const auto builtIn = defaults->defaultFont();
    ASSERT_TRUE(std::dynamic_pointer_cast<vorn::EasyFont>(builtIn));
    EXPECT_EQ(defaults->clickEffect(), "data/effects/click.xml");
    EXPECT_EQ(defaults->inactiveClickEffect(), "data/effects/click_inact.xml");

    auto other = std::make_shared<vorn::EasyFont>();
    defaults->setDefaultFont(other);
    EXPECT_EQ(defaults->defaultFont(), other);
    EXPECT_EQ(ResourceManager::instance()->getFont("x.fnt", 12), other);
    {
        LogCapture log;
        defaults->setDefaultFont(nullptr);
        EXPECT_NE(log.text().find("no font given"), std::string::npos);
    }
    EXPECT_EQ(defaults->defaultFont(), other);
}

TEST(ShippedData, GameFontLoadsThroughTheEnglishLocale) {
    // In the repository's own data tree, as the game's set-up asks for it.
    vorn::Platform::instance()->setDesktopSizeForTesting({1280.0f, 720.0f});
    const auto font = ResourceManager::instance()->getFont("ubuntu.bold.ttf", 20);
    ASSERT_TRUE(std::dynamic_pointer_cast<vorn::TTFFont>(font));
    EXPECT_EQ(font->name(), "data/fonts/Comfortaa-Bold.ttf");
    EXPECT_GT(font->lineHeight(), 15.0f);
    EXPECT_GT(font->measure("Mahjong").x, 0.0f);
}
