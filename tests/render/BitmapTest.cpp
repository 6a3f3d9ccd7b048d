#include "render/Bitmap.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>
#include "support/LogCapture.h"

using vorn::Bitmap;
using vorn::Data;
using vorn::parsePixelFormat;
using vorn::test::TempDir;

using vorn::test::captureLog;

namespace {

std::uint16_t pixel16(const Bitmap& bitmap, int index) {
    const std::uint8_t* p = bitmap.pixels().data() + index * 2;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

Bitmap oneRgbaPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::uint8_t bytes[] = {r, g, b, a};
    Bitmap bitmap;
    bitmap.create(Data(bytes, 4), 1, 1, vorn::PixelFormatRGBA8888);
    return bitmap;
}

class BitmapFileTest : public testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        vorn::test::writeBytes(path, bytes);
        return path;
    }

    TempDir dir;
};

// A 2 x 2 RGBA picture: red, green / blue half-transparent, white clear.
const std::vector<std::uint8_t> rgba2x2 = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 0};

} // namespace

TEST(BitmapTest, FormatNamesAndSizes) {
    const std::pair<const char*, int> names[] = {{"RGBA8888", 1}, {"RGB888", 2},   {"A8", 3},    {"RGBA4444", 4},
                                                 {"RGB565", 5},   {"RGBA5551", 6}, {"rgba8888", 0}, {"", 0},
                                                 {"RGBA8888 ", 0}};
    for (const auto& [name, code] : names) {
        EXPECT_EQ(parsePixelFormat(name), code) << name;
    }
    const int sizes[] = {0, 4, 3, 1, 2, 2, 2, 0, 0};
    for (int format = 0; format < 9; ++format) {
        EXPECT_EQ(Bitmap::bytesPerPixel(format), sizes[format]) << format;
    }
    EXPECT_EQ(Bitmap::bytesPerPixel(-1), 0);
}

TEST(BitmapTest, SixteenBitConversionsKeepTheTopBits) {
    struct Case {
        std::uint8_t r, g, b, a;
        std::uint16_t rgba5551, rgba4444;
    };
    const Case cases[] = {
        {255, 0, 0, 255, 0xF801, 0xF00F},
        {0x12, 0x34, 0x56, 0x78, 0x1194, 0x1357},
        {255, 255, 255, 255, 0xFFFF, 0xFFFF},
        {0, 0, 0, 127, 0x0000, 0x0007},
        {0, 0, 0, 128, 0x0001, 0x0008},
    };
    for (const Case& c : cases) {
        Bitmap b5551 = oneRgbaPixel(c.r, c.g, c.b, c.a);
        ASSERT_TRUE(b5551.toRGBA5551());
        EXPECT_EQ(b5551.format(), vorn::PixelFormatRGBA5551);
        EXPECT_EQ(b5551.pixels().size(), 2u);
        EXPECT_EQ(pixel16(b5551, 0), c.rgba5551);
        Bitmap b4444 = oneRgbaPixel(c.r, c.g, c.b, c.a);
        ASSERT_TRUE(b4444.toRGBA4444());
        EXPECT_EQ(pixel16(b4444, 0), c.rgba4444);
    }
    // Only RGBA8888 converts.
    Bitmap twice = oneRgbaPixel(1, 2, 3, 4);
    ASSERT_TRUE(twice.toRGBA5551());
    EXPECT_FALSE(twice.toRGBA4444());
    EXPECT_FALSE(twice.toRGBA5551());
    EXPECT_EQ(twice.format(), vorn::PixelFormatRGBA5551);
    EXPECT_EQ(twice.pixels().size(), 2u);
}

TEST(BitmapTest, CreateRefusesTooFewBytes) {
    Bitmap bitmap;
    const std::string log = captureLog([&] { bitmap.create(Data(15), 2, 2, vorn::PixelFormatRGBA8888); });
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_NE(log.find("too few"), std::string::npos) << log;
    bitmap.create(Data(4), 2, 2, vorn::PixelFormatA8);
    EXPECT_EQ(bitmap.width(), 2);
    EXPECT_EQ(bitmap.format(), vorn::PixelFormatA8);
}

TEST_F(BitmapFileTest, RawFilesAreSquare) {
    struct Case {
        std::size_t bytes;
        int format;
        int side;
    };
    const Case cases[] = {
        {1024, vorn::PixelFormatRGBA8888, 16},
        {1000, vorn::PixelFormatRGBA8888, 15},
        {30000, vorn::PixelFormatRGB888, 100},
        {8, vorn::PixelFormatRGB565, 2},
        {1, vorn::PixelFormatA8, 1},
    };
    for (const Case& c : cases) {
        Bitmap bitmap;
        bitmap.loadFromFile(file("raw.bin", std::string(c.bytes, '\x01')).c_str(), c.format);
        EXPECT_EQ(bitmap.width(), c.side) << c.bytes;
        EXPECT_EQ(bitmap.height(), c.side) << c.bytes;
        EXPECT_EQ(bitmap.format(), c.format);
        EXPECT_EQ(bitmap.pixels().size(), c.bytes);
        EXPECT_EQ(bitmap.storedBytesPerPixel(), Bitmap::bytesPerPixel(c.format));
    }
}

TEST_F(BitmapFileTest, GzipRawFilesAreInflated) {
    std::string raw(65536, '\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<char>(i * 7);
    }
    Bitmap bitmap;
    bitmap.loadFromFile(file("raw.gz", vorn::test::gzip(raw)).c_str(), vorn::PixelFormatRGBA8888);
    EXPECT_EQ(bitmap.width(), 128);
    EXPECT_EQ(bitmap.height(), 128);
    ASSERT_EQ(bitmap.pixels().size(), 65536u);
    EXPECT_EQ(bitmap.pixels().data()[1000], static_cast<std::uint8_t>(7000 & 0xFF));
}

TEST_F(BitmapFileTest, BadFilesGiveAnEmptyBitmapAndALogLine) {
    std::string truncatedGzip = vorn::test::gzip(std::string(4096, 'x'));
    truncatedGzip.resize(truncatedGzip.size() / 2);
    const std::string png = vorn::test::encodePng(2, 2, 4, rgba2x2);
    // A Huffman table that counts 16 x 255 codes of 16 bits, with the codes
    // that follow it: stb_image used to write them past its tables.
    std::string overfull = vorn::test::encodeJpeg(8, 8, 3, std::vector<std::uint8_t>(8 * 8 * 3, 0x80));
    const std::size_t table = overfull.find("\xFF\xC4");
    ASSERT_NE(table, std::string::npos);
    for (std::size_t k = 0; k < 16; ++k) overfull[table + 5 + k] = char(0xFF);
    // A chunk that says it holds 1.4 GB: stb_image set that much aside.
    std::string endlessChunk = png;
    endlessChunk.replace(33, 4, "\x56\x00\x00\x00");
    // A picture said to be 2000 x 2000 whose data runs out after one block:
    // libjpeg would fill in the rest.
    std::string outgrown = vorn::test::encodeJpeg(8, 8, 3, std::vector<std::uint8_t>(8 * 8 * 3, 0x80));
    const std::size_t frame = outgrown.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    outgrown.replace(frame + 5, 4, std::string("\x07\xD0\x07\xD0", 4));
    // 20000 x 1 pixels, more than any texture.
    std::string tooWide = vorn::test::encodePng(2, 2, 4, rgba2x2);
    tooWide.replace(16, 4, std::string("\x00\x00\x4E\x20", 4));
    struct Case {
        const char* name;
        std::string bytes;
        int format;
        const char* message;
    };
    const Case cases[] = {
        {"raw-without-format", std::string(64, '\x01'), 0, "gives them no size"},
        {"too-small", std::string(3, '\x01'), vorn::PixelFormatRGBA8888, "too small"},
        {"truncated.gz", truncatedGzip, vorn::PixelFormatRGBA8888, "damaged gzip"},
        {"truncated.png", png.substr(0, png.size() / 2), vorn::PixelFormatRGBA8888, "can't decode"},
        {"signature-only.png", png.substr(0, 8), vorn::PixelFormatRGBA8888, "can't decode"},
        {"overfull-huffman-table.jpg", overfull, vorn::PixelFormatRGBA8888, "can't decode"},
        {"outgrown.jpg", outgrown, vorn::PixelFormatRGBA8888, "can't decode"},
        {"endless-chunk.png", endlessChunk, vorn::PixelFormatRGBA8888, "can't decode"},
        {"too-wide.png", tooWide, vorn::PixelFormatRGBA8888, "can't decode"},
        {"empty.png", "", vorn::PixelFormatRGBA8888, ""},
    };
    for (const Case& c : cases) {
        Bitmap bitmap;
        const std::string path = file(c.name, c.bytes);
        const std::string log = captureLog([&] { bitmap.loadFromFile(path.c_str(), c.format); });
        EXPECT_TRUE(bitmap.empty()) << c.name;
        EXPECT_EQ(bitmap.width(), 0) << c.name;
        EXPECT_EQ(bitmap.format(), 0) << c.name;
        EXPECT_NE(log.find(c.message), std::string::npos) << c.name << ": " << log;
    }

    Bitmap missing;
    const std::string log = captureLog([&] { missing.loadFromFile(dir.file("nothing.png").c_str(), 1); });
    EXPECT_TRUE(missing.empty());
    EXPECT_NE(log.find("File not found"), std::string::npos) << log;
}

TEST_F(BitmapFileTest, PngDecodesToTheRequestedLayout) {
    const std::string path = file("picture.png", vorn::test::encodePng(2, 2, 4, rgba2x2));
    Bitmap rgba;
    rgba.loadFromFile(path.c_str(), vorn::PixelFormatRGBA8888);
    ASSERT_EQ(rgba.format(), vorn::PixelFormatRGBA8888);
    ASSERT_EQ(rgba.width(), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(rgba.pixels().data(), rgba.pixels().data() + 16), rgba2x2);

    Bitmap keep;
    keep.loadFromFile(path.c_str(), vorn::PixelFormatNone);
    EXPECT_EQ(keep.format(), vorn::PixelFormatRGBA8888);

    Bitmap rgb;
    rgb.loadFromFile(path.c_str(), vorn::PixelFormatRGB888);
    ASSERT_EQ(rgb.format(), vorn::PixelFormatRGB888);
    ASSERT_EQ(rgb.pixels().size(), 12u);
    EXPECT_EQ(rgb.pixels().data()[6], 0);
    EXPECT_EQ(rgb.pixels().data()[8], 255);

    // Decoded images are never stored as RGB565.
    Bitmap asked565;
    asked565.loadFromFile(path.c_str(), vorn::PixelFormatRGB565);
    EXPECT_EQ(asked565.format(), vorn::PixelFormatRGBA8888);

    Bitmap b5551;
    b5551.loadFromFile(path.c_str(), vorn::PixelFormatRGBA5551);
    ASSERT_EQ(b5551.format(), vorn::PixelFormatRGBA5551);
    EXPECT_EQ(pixel16(b5551, 0), 0xF801);
    EXPECT_EQ(pixel16(b5551, 2), 0x003F);
    EXPECT_EQ(pixel16(b5551, 3), 0xFFFE);

    Bitmap b4444;
    b4444.loadFromFile(path.c_str(), vorn::PixelFormatRGBA4444);
    EXPECT_EQ(b4444.format(), vorn::PixelFormatRGBA4444);
    EXPECT_EQ(pixel16(b4444, 1), 0x0F0F);
}

TEST_F(BitmapFileTest, EmptyImageDataChunksAddNothing) {
    // An empty data chunk first of all made stb_image copy to a null pointer
    // (UndefinedBehaviorSanitizer stopped there); one later is as harmless.
    const std::string png = vorn::test::encodePng(2, 2, 4, rgba2x2);
    const std::size_t data = png.find("IDAT") - 4;
    const std::string empty("\x00\x00\x00\x00IDAT\xAE\x42\x60\x82", 12);
    const std::size_t end = png.find("IEND") - 4;
    const std::string damaged = png.substr(0, data) + empty + png.substr(data, end - data) + empty + png.substr(end);
    Bitmap bitmap;
    bitmap.loadFromFile(file("empty-chunks.png", damaged).c_str(), vorn::PixelFormatRGBA8888);
    ASSERT_EQ(bitmap.width(), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(bitmap.pixels().data(), bitmap.pixels().data() + 16), rgba2x2);

    // The same first chunk as the file's last bytes, cut before its
    // checksum: refused, without that copy.
    Bitmap cut;
    cut.loadFromFile(file("cut-after-empty-chunk.png", png.substr(0, data) + empty.substr(0, 8)).c_str(),
                     vorn::PixelFormatRGBA8888);
    EXPECT_TRUE(cut.empty());
}

TEST_F(BitmapFileTest, GreyWithAlphaKeepsFormatZeroAndTwoBytes) {
    const std::vector<std::uint8_t> greyAlpha = {10, 20, 30, 40, 50, 60, 70, 80};
    const std::string path = file("grey.png", vorn::test::encodePng(2, 2, 2, greyAlpha));
    Bitmap bitmap;
    bitmap.loadFromFile(path.c_str(), vorn::PixelFormatNone);
    EXPECT_EQ(bitmap.format(), vorn::PixelFormatNone);
    EXPECT_FALSE(bitmap.empty());
    EXPECT_EQ(bitmap.storedBytesPerPixel(), 2);
    EXPECT_EQ(bitmap.pixels().size(), 8u);

    Bitmap grey;
    grey.loadFromFile(path.c_str(), vorn::PixelFormatA8);
    EXPECT_EQ(grey.format(), vorn::PixelFormatA8);
    EXPECT_EQ(grey.pixels().data()[3], 70);
}

TEST_F(BitmapFileTest, JpegGainsOpaqueAlpha) {
    std::vector<std::uint8_t> rgb(8 * 8 * 3, 200);
    const std::string path = file("photo.jpg", vorn::test::encodeJpeg(8, 8, 3, rgb));
    Bitmap bitmap;
    bitmap.loadFromFile(path.c_str(), vorn::PixelFormatRGBA8888);
    ASSERT_EQ(bitmap.width(), 8);
    ASSERT_EQ(bitmap.format(), vorn::PixelFormatRGBA8888);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(bitmap.pixels().data()[i * 4 + 3], 255);
        EXPECT_NEAR(bitmap.pixels().data()[i * 4], 200, 3);
    }
}

TEST(BitmapTest, FailedDecodeLeavesNoStaleSize) {
    const std::string png = vorn::test::encodePng(2, 2, 4, rgba2x2);
    Bitmap bitmap;
    bitmap.loadFromMemory(reinterpret_cast<const unsigned char*>(png.data()), static_cast<int>(png.size()), 1);
    ASSERT_EQ(bitmap.width(), 2);
    const unsigned char junk[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0, 1, 2, 3};
    bitmap.loadFromMemory(junk, sizeof(junk), 1);
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(bitmap.height(), 0);
    bitmap.loadFromMemory(nullptr, 10, 1);
    EXPECT_TRUE(bitmap.empty());
}

// Bitmaps are decoded on the loading screen's worker while the main thread
// decodes its own; the decoder must keep no shared state.
TEST(BitmapThreaded, DecodesOnSeveralThreadsAtOnce) {
    const std::string good = vorn::test::encodePng(2, 2, 4, rgba2x2);
    const std::string bad = good.substr(0, good.size() / 2);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                const std::string& bytes = (i + t) % 3 == 0 ? bad : good;
                Bitmap bitmap;
                bitmap.loadFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<int>(bytes.size()), vorn::PixelFormatRGBA5551);
                const bool expectEmpty = &bytes == &bad;
                if (bitmap.empty() != expectEmpty || (!expectEmpty && pixel16(bitmap, 0) != 0xF801)) {
                    ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
}
