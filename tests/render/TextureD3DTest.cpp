#include "D3DFixture.h"

#include "render/TextureD3D.h"

#include <cstring>
#include <string>
#include <thread>
#include "support/LogCapture.h"

using vorn::Color;
using vorn::test::quad;
namespace px = vorn;

using vorn::test::captureLog;

namespace {

class TextureD3DTest : public vorn::test::D3DFixture {};

std::vector<std::uint8_t> le16(std::initializer_list<unsigned> values) {
    std::vector<std::uint8_t> bytes;
    for (const unsigned v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return bytes;
}

} // namespace

// Each format holds a 2 x 2 picture: red, green / blue, white, all opaque
// (grey with alpha: black, grey / light grey, white).
TEST_F(TextureD3DTest, EveryBitmapFormatIsUploadedByItsOwnLayout) {
    struct Case {
        const char* name;
        int format;
        std::vector<std::uint8_t> bytes;
        std::uint32_t expected[4];
    };
    const Case cases[] = {
        {"RGBA8888", px::PixelFormatRGBA8888,
         {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255},
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"RGB888", px::PixelFormatRGB888, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255},
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"RGBA4444", px::PixelFormatRGBA4444, le16({0xF00F, 0x0F0F, 0x00FF, 0xFFFF}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"RGBA5551", px::PixelFormatRGBA5551, le16({0xF801, 0x07C1, 0x003F, 0xFFFF}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"RGB565", px::PixelFormatRGB565, le16({0xF800, 0x07E0, 0x001F, 0xFFFF}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"grey+alpha", px::PixelFormatNone, {0, 255, 128, 255, 200, 255, 255, 255},
         {0x000000, 0x808080, 0xC8C8C8, 0xFFFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = render->createTexture();
        auto bitmap = std::make_shared<px::Bitmap>();
        if (c.format == px::PixelFormatNone) {
            // Only the decoder makes grey-with-alpha bitmaps.
            const std::string png = vorn::test::encodePng(2, 2, 2, c.bytes);
            bitmap->loadFromMemory(reinterpret_cast<const unsigned char*>(png.data()), static_cast<int>(png.size()),
                                   px::PixelFormatNone);
            ASSERT_EQ(bitmap->format(), px::PixelFormatNone);
        } else {
            bitmap = vorn::test::bitmapOf(2, 2, c.format, c.bytes);
        }
        t->setBitmap(bitmap);
        t->load();
        ASSERT_NE(static_cast<vorn::d3d::TextureD3D&>(*t).deviceTexture(), nullptr);
        beginFrame(Color(1, 0, 1, 1));
        draw(t, quad(0, 0, 40, 40));
        endFrame();
        probe(5, 5, c.expected[0]);
        probe(35, 5, c.expected[1]);
        probe(5, 35, c.expected[2]);
        probe(35, 35, c.expected[3]);
    }
}

TEST_F(TextureD3DTest, LoadCopiesOnceAndKeepsTheFirstPixels) {
    auto t = render->createTexture();
    EXPECT_EQ(t->getKind(), vorn::Texture::KindEmpty);
    auto& d3d = static_cast<vorn::d3d::TextureD3D&>(*t);
    t->load();
    EXPECT_EQ(d3d.deviceTexture(), nullptr);

    t->setBitmap(vorn::test::bitmapOf(2, 1, px::PixelFormatRGBA8888, {255, 0, 0, 255, 255, 0, 0, 255}));
    EXPECT_EQ(t->getSize(), glm::vec2(2, 1));
    const std::string first = captureLog([&] { t->load(); });
    IDirect3DTexture9* device = d3d.deviceTexture();
    ASSERT_NE(device, nullptr);
    const std::string second = captureLog([&] { t->load(); });
    EXPECT_EQ(d3d.deviceTexture(), device);
    EXPECT_NE(first.find("TextureD3D::createEmptyTexture() END"), std::string::npos);
    EXPECT_TRUE(second.empty()) << second;

    t->setBitmap(vorn::test::bitmapOf(1, 1, px::PixelFormatRGBA8888, {0, 0, 255, 255}));
    t->load();
    EXPECT_EQ(t->getSize(), glm::vec2(1, 1));
    beginFrame();
    draw(t, quad(0, 0, 20, 20));
    endFrame();
    probe(10, 10, 0xFF0000);
}

// A picture from a file is held once: on the device. Its size stays known
// and it draws as before.
TEST_F(TextureD3DTest, ATextureThatReleasesItsPixelsKeepsItsSizeAndDraws) {
    auto t = render->createTexture();
    t->setReleasePixelsAfterLoad(true);
    t->setBitmap(vorn::test::bitmapOf(2, 1, px::PixelFormatRGBA8888, {0, 255, 0, 255, 0, 255, 0, 255}));
    std::weak_ptr<vorn::Bitmap> pixels = t->getBitmap();
    t->load();
    EXPECT_FALSE(t->getBitmap());
    EXPECT_TRUE(pixels.expired());
    EXPECT_EQ(t->getSize(), glm::vec2(2, 1));
    t->load();
    beginFrame();
    draw(t, quad(0, 0, 20, 20));
    endFrame();
    probe(10, 10, 0x00FF00);
}

TEST_F(TextureD3DTest, FailedTexturesDrawNothing) {
    auto empty = render->createTexture();
    empty->setBitmap(std::make_shared<px::Bitmap>());
    const std::string log = captureLog([&] { empty->load(); });
    EXPECT_NE(log.find("TextureD3D::load() ERROR texture not created"), std::string::npos) << log;
    EXPECT_EQ(empty->getSize(), glm::vec2(0, 0));

    auto refused = std::make_shared<vorn::d3d::TextureD3D>(render->device());
    const std::string refusedLog = captureLog([&] { refused->createEmptyTexture(0, 5, 1, false); });
    EXPECT_NE(refusedLog.find("ERROR CreateTexture fail w: 0 h: 5 (non-render-target)"), std::string::npos);

    beginFrame(Color(0, 0, 1, 1));
    draw(empty, quad(0, 0, 40, 40, Color(1, 1, 1, 1)));
    endFrame();
    probe(20, 20, 0x0000FF);
}

TEST_F(TextureD3DTest, RenderTargetsRegisterAndLogTheirEnd) {
    std::string log = captureLog([&] {
        auto target = render->createRenderTexture(201, 100);
        EXPECT_EQ(target->getKind(), vorn::Texture::KindRenderTarget);
        EXPECT_EQ(target->getSize(), glm::vec2(201, 100));
        EXPECT_EQ(render->renderTargets().size(), 1u);
    });
    EXPECT_TRUE(render->renderTargets().empty());
    const auto a = log.find("TextureD3D::~TextureD3D() (for rendertarget texture)\n");
    const auto b = log.find("TextureD3D::~TextureD3D() (for rendertarget texture) erasing from render");
    const auto c = log.find("TextureD3D::~TextureD3D() (for rendertarget texture) DONE");
    ASSERT_NE(a, std::string::npos) << log;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);

    const std::string quiet = captureLog([&] {
        auto t = render->createTexture();
        t->setBitmap(vorn::test::bitmapOf(1, 1, px::PixelFormatA8, {255}));
        t->load();
    });
    EXPECT_EQ(quiet.find("~TextureD3D"), std::string::npos);
}

TEST_F(TextureD3DTest, TextureReleasedOnAnotherThreadIsDeletedOnTheMainOne) {
    auto t = render->createTexture();
    t->setBitmap(vorn::test::bitmapOf(1, 1, px::PixelFormatRGBA8888, {1, 2, 3, 4}));
    t->load();
    std::thread worker([held = std::move(t)]() mutable { held.reset(); });
    worker.join();
    EXPECT_EQ(vornD3D9PendingReleases(render->device()), 1);
    beginFrame();
    endFrame();
    EXPECT_EQ(vornD3D9PendingReleases(render->device()), 0);
}

TEST_F(TextureD3DTest, ImageTexturesMayBeBuiltOffTheMainThread) {
    std::shared_ptr<vorn::Texture> built;
    std::thread worker([&] {
        built = render->createTexture();
        built->setBitmap(vorn::test::bitmapOf(1, 1, px::PixelFormatRGBA8888, {0, 255, 0, 255}));
    });
    worker.join();
    built->load();
    beginFrame();
    draw(built, quad(0, 0, 10, 10));
    endFrame();
    probe(5, 5, 0x00FF00);
}

// The glyph atlas writes new glyphs into a rectangle of its uploaded page.
TEST_F(TextureD3DTest, PartialLockKeepsTheRestOfTheTexture) {
    auto t = texture(2, 2, px::PixelFormatRGBA8888,
                     {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    IDirect3DTexture9* device = static_cast<vorn::d3d::TextureD3D&>(*t).deviceTexture();
    ASSERT_NE(device, nullptr);
    for (int round = 0; round < 2; ++round) {
        const RECT corner{1, 1, 2, 2};
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(device->LockRect(0, &locked, &corner, 0), D3D_OK);
        auto* p = static_cast<std::uint8_t*>(locked.pBits);
        // Bytes B, G, R, A: yellow, then magenta.
        const std::uint8_t colour[2][4] = {{0, 255, 255, 255}, {255, 0, 255, 255}};
        std::memcpy(p, colour[round], 4);
        ASSERT_EQ(device->UnlockRect(0), D3D_OK);
        beginFrame();
        draw(t, quad(0, 0, 40, 40));
        endFrame();
        probe(5, 5, 0xFF0000);
        probe(35, 5, 0x00FF00);
        probe(5, 35, 0x0000FF);
        probe(35, 35, round == 0 ? 0xFFFF00 : 0xFF00FF);
    }
}
