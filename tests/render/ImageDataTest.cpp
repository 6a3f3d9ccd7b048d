#include "render/ImageData.h"

#include "render/DrawRecorder.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace vorn {
namespace {

using test::CountingTexture;
using test::DrawRecorder;
using test::LogCapture;

std::shared_ptr<Texture> textureOf(int width, int height) {
    return std::make_shared<CountingTexture>(width, height);
}

// Positions and texture coordinates of a frame's vertices, in order.
std::vector<std::array<float, 2>> positions(const ImageData& frame) {
    std::vector<std::array<float, 2>> result;
    for (const auto& v : frame.getVertexData()->vertices) {
        result.push_back({v.x, v.y});
    }
    return result;
}

std::vector<std::array<float, 2>> uvs(const ImageData& frame) {
    std::vector<std::array<float, 2>> result;
    for (const auto& v : frame.getVertexData()->vertices) {
        result.push_back({v.u, v.v});
    }
    return result;
}

using Corners = std::vector<std::array<float, 2>>;

void expectCorners(const Corners& actual, const Corners& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_FLOAT_EQ(actual[i][0], expected[i][0]) << "vertex " << i;
        EXPECT_FLOAT_EQ(actual[i][1], expected[i][1]) << "vertex " << i;
    }
}

// One "sprite" element parsed from text; the document lives as long as the
// returned holder.
struct Sprite {
    explicit Sprite(const std::string& xml) {
        EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
        element = document.FirstChildElement("sprite");
    }
    tinyxml2::XMLDocument document;
    const tinyxml2::XMLElement* element = nullptr;
};

const std::vector<std::uint16_t> quadIndices{0, 1, 3, 3, 1, 2};

TEST(ImageDataFrames, WholeTextureCoversItsPixelsTimesScale) {
    ImageData frame(textureOf(256, 128), 0.5f);
    EXPECT_FLOAT_EQ(frame.getWidth(), 256.0f);
    EXPECT_FLOAT_EQ(frame.getHeight(), 128.0f);
    EXPECT_FLOAT_EQ(frame.getScale(), 0.5f);
    expectCorners(positions(frame), {{0, 0}, {128, 0}, {128, 64}, {0, 64}});
    expectCorners(uvs(frame), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(frame.getVertexData()->indices, quadIndices);
    EXPECT_EQ(frame.bounds(), Rect(0, 0, 128, 64));
    EXPECT_EQ(frame.uvBounds(), Rect(0, 0, 1, 1));
}

TEST(ImageDataFrames, ColouredRectangleIsUntexturedQuadOfThatColour) {
    const Color red(1.0f, 0.0f, 0.0f, 0.5f);
    ImageData frame(glm::vec2(40, 30), red);
    EXPECT_EQ(frame.getTexture(), nullptr);
    expectCorners(positions(frame), {{0, 0}, {40, 0}, {40, 30}, {0, 30}});
    for (const auto& v : frame.getVertexData()->vertices) {
        EXPECT_EQ(Color(v.r, v.g, v.b, v.a), red);
    }
}

TEST(ImageDataFrames, EmptyFrameHasZeroBoundsAndDrawsNothingVisible) {
    ImageData frame;
    EXPECT_EQ(frame.bounds(), Rect());
    EXPECT_EQ(frame.uvBounds(), Rect());
    frame.setSize({100, 100});
    EXPECT_FLOAT_EQ(frame.getWidth(), 0.0f);
    ImageData mirrored(frame, true, true);
    EXPECT_TRUE(mirrored.getVertexData()->vertices.empty());
}

TEST(ImageDataFrames, GivenTrianglesAreCopiedOverTheTexturesSize) {
    std::vector<VertexData::Vertex> vertices(3);
    vertices[1].x = 10;
    vertices[2].y = 10;
    ImageData frame(textureOf(64, 32), vertices, {0, 1, 2});
    vertices[1].x = 99;
    EXPECT_FLOAT_EQ(frame.getWidth(), 64.0f);
    EXPECT_FLOAT_EQ(frame.getHeight(), 32.0f);
    EXPECT_FLOAT_EQ(frame.getVertexData()->vertices[1].x, 10.0f);
    EXPECT_EQ(frame.getVertexData()->indices, (std::vector<std::uint16_t>{0, 1, 2}));
}

struct SpriteCase {
    const char* name;
    const char* attributes;
    float scale;
    glm::vec2 size;
    Corners corners;
    Corners uv;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const SpriteCase& c, std::ostream* os) { *os << c.name; }

class ImageDataAtlasSprite : public testing::TestWithParam<SpriteCase> {};

TEST_P(ImageDataAtlasSprite, SitsAtItsTrimOffsetInsideTheUntrimmedFrame) {
    const SpriteCase& c = GetParam();
    Sprite sprite(std::string("<sprite n=\"s\" ") + c.attributes + "/>");
    ImageData frame(textureOf(100, 100), sprite.element, c.scale);
    EXPECT_FLOAT_EQ(frame.getWidth(), c.size.x);
    EXPECT_FLOAT_EQ(frame.getHeight(), c.size.y);
    EXPECT_FLOAT_EQ(frame.getScale(), c.scale);
    expectCorners(positions(frame), c.corners);
    expectCorners(uvs(frame), c.uv);
    EXPECT_EQ(frame.getVertexData()->indices, quadIndices);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageDataAtlasSprite,
    testing::Values(
        SpriteCase{"Trimmed", R"(x="10" y="20" w="30" h="40" oX="5" oY="6" oW="50" oH="60")", 1.0f, {50, 60},
                   {{5, 6}, {35, 6}, {35, 46}, {5, 46}},
                   {{0.1f, 0.2f}, {0.4f, 0.2f}, {0.4f, 0.6f}, {0.1f, 0.6f}}},
        SpriteCase{"TrimmedAtHalfScale", R"(x="10" y="20" w="30" h="40" oX="5" oY="6" oW="50" oH="60")", 0.5f,
                   {50, 60}, {{2.5f, 3}, {17.5f, 3}, {17.5f, 23}, {2.5f, 23}},
                   {{0.1f, 0.2f}, {0.4f, 0.2f}, {0.4f, 0.6f}, {0.1f, 0.6f}}},
        SpriteCase{"Untrimmed", R"(x="50" y="0" w="50" h="25")", 1.0f, {50, 25},
                   {{0, 0}, {50, 0}, {50, 25}, {0, 25}}, {{0.5f, 0}, {1, 0}, {1, 0.25f}, {0.5f, 0.25f}}},
        SpriteCase{"NumbersMissingOrNotNumbers", R"(x="ten" w="20")", 1.0f, {20, 0},
                   {{0, 0}, {20, 0}, {20, 0}, {0, 0}}, {{0, 0}, {0.2f, 0}, {0.2f, 0}, {0, 0}}},
        SpriteCase{"NoSizeIsAnEmptyQuad", R"(x="3" y="4")", 1.0f, {0, 0}, {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
                   {{0.03f, 0.04f}, {0.03f, 0.04f}, {0.03f, 0.04f}, {0.03f, 0.04f}}}),
    [](const testing::TestParamInfo<SpriteCase>& param) { return std::string(param.param.name); });

TEST(ImageDataAtlasPolygon, BuildsTheListedTriangles) {
    Sprite sprite(R"(<sprite n="tri" w="10" h="10">
        <vertices>0 0 10 0 10 10</vertices>
        <verticesUV>0 0 10 0 10 10</verticesUV>
        <triangles>0 1 2</triangles>
    </sprite>)");
    ImageData frame(textureOf(10, 10), sprite.element, 1.0f);
    expectCorners(positions(frame), {{0, 0}, {10, 0}, {10, 10}});
    expectCorners(uvs(frame), {{0, 0}, {1, 0}, {1, 1}});
    EXPECT_EQ(frame.getVertexData()->indices, (std::vector<std::uint16_t>{0, 1, 2}));
}

TEST(ImageDataAtlasPolygon, ScalesPositionsButNotTextureCoordinatesAndIgnoresTheTrimOffset) {
    Sprite sprite(R"(<sprite n="p" x="1" y="1" w="8" h="8" oX="4" oY="4">
        <vertices>2 2 8 2
                  8 8  2 8</vertices>
        <verticesUV>0 0 20 0 20 20 0 20</verticesUV>
        <triangles>0 1 3 3 1 2</triangles>
    </sprite>)");
    ImageData frame(textureOf(20, 40), sprite.element, 0.5f);
    expectCorners(positions(frame), {{1, 1}, {4, 1}, {4, 4}, {1, 4}});
    expectCorners(uvs(frame), {{0, 0}, {1, 0}, {1, 0.5f}, {0, 0.5f}});
}

struct BadPolygon {
    const char* name;
    const char* vertices;
    const char* uv;
    const char* triangles;
};
void PrintTo(const BadPolygon& c, std::ostream* os) { *os << c.name; }

class ImageDataBadPolygon : public testing::TestWithParam<BadPolygon> {};

// Atlases are read on the loading worker: malformed polygon data must give
// an empty sprite and a log line, never an exception or a read past a list.
TEST_P(ImageDataBadPolygon, LeavesTheSpriteEmptyWithALogLine) {
    const BadPolygon& c = GetParam();
    const std::string xml = std::string("<sprite n=\"broken\" w=\"12\" h=\"14\"><vertices>") + c.vertices +
                            "</vertices><verticesUV>" + c.uv + "</verticesUV><triangles>" + c.triangles +
                            "</triangles></sprite>";
    Sprite sprite(xml);
    LogCapture log;
    std::unique_ptr<ImageData> frame;
    EXPECT_NO_THROW(frame = std::make_unique<ImageData>(textureOf(10, 10), sprite.element, 1.0f));
    EXPECT_EQ(log.count("Atlas sprite broken"), 1) << log.text();
    EXPECT_TRUE(frame->getVertexData()->vertices.empty());
    EXPECT_TRUE(frame->getVertexData()->indices.empty());
    EXPECT_FLOAT_EQ(frame->getWidth(), 12.0f);
    EXPECT_FLOAT_EQ(frame->getHeight(), 14.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageDataBadPolygon,
    testing::Values(BadPolygon{"VertexNotANumber", "0 0 x 0 10 10", "0 0 10 0 10 10", "0 1 2"},
                    BadPolygon{"VertexWithTrailingText", "0 0 10px 0 10 10", "0 0 10 0 10 10", "0 1 2"},
                    BadPolygon{"VertexOutOfFloatRange", "0 0 1e99 0 10 10", "0 0 10 0 10 10", "0 1 2"},
                    BadPolygon{"UvNotANumber", "0 0 10 0 10 10", "0 0 ? 0 10 10", "0 1 2"},
                    BadPolygon{"TriangleNotANumber", "0 0 10 0 10 10", "0 0 10 0 10 10", "0 one 2"},
                    BadPolygon{"TriangleIndexTooLarge", "0 0 10 0 10 10", "0 0 10 0 10 10", "0 1 3"},
                    BadPolygon{"TriangleIndexNegative", "0 0 10 0 10 10", "0 0 10 0 10 10", "0 -1 2"},
                    BadPolygon{"TriangleIndexPast16Bits", "0 0 10 0 10 10", "0 0 10 0 10 10", "0 1 65536"},
                    BadPolygon{"TriangleIndexOutOfIntRange", "0 0 10 0 10 10", "0 0 10 0 10 10",
                               "0 1 99999999999999999999"},
                    BadPolygon{"OddVertexCount", "0 0 10 0 10", "0 0 10 0 10 10", "0 1 2"},
                    BadPolygon{"FewerUvsThanVertices", "0 0 10 0 10 10", "0 0 10 0", "0 1 2"},
                    BadPolygon{"PartialTriangle", "0 0 10 0 10 10", "0 0 10 0 10 10", "0 1 2 0"},
                    BadPolygon{"IndicesWithoutVertices", "", "", "0 1 2"}),
    [](const testing::TestParamInfo<BadPolygon>& param) { return std::string(param.param.name); });

TEST(ImageDataMissingAtlasImage, GivesFiniteTextureCoordinates) {
    Sprite quad(R"(<sprite n="q" x="10" y="10" w="5" h="5"/>)");
    Sprite polygon(R"(<sprite n="p"><vertices>0 0 5 0 5 5</vertices>
        <verticesUV>1 1 6 1 6 6</verticesUV><triangles>0 1 2</triangles></sprite>)");
    auto emptyTexture = std::make_shared<CountingTexture>();
    emptyTexture->setBitmap(std::make_shared<Bitmap>());
    for (const Sprite* sprite : {&quad, &polygon}) {
        ImageData frame(emptyTexture, sprite->element, 1.0f);
        ASSERT_FALSE(frame.getVertexData()->vertices.empty());
        for (const auto& v : frame.getVertexData()->vertices) {
            EXPECT_TRUE(std::isfinite(v.u) && std::isfinite(v.v));
        }
    }
}

TEST(ImageDataResize, StretchesATrimmedSpriteKeepingItsMarginsInProportion) {
    Sprite sprite(R"(<sprite n="s" x="10" y="20" w="30" h="40" oX="5" oY="6" oW="50" oH="60"/>)");
    const ImageData source(textureOf(100, 100), sprite.element, 1.0f);
    ImageData frame(source);
    frame.setSize({100, 120});
    expectCorners(positions(frame), {{10, 12}, {70, 12}, {70, 92}, {10, 92}});
    EXPECT_FLOAT_EQ(frame.getWidth(), 100.0f);
    EXPECT_FLOAT_EQ(frame.getHeight(), 120.0f);
    expectCorners(positions(source), {{5, 6}, {35, 6}, {35, 46}, {5, 46}});
}

TEST(ImageDataResize, HalfScaleFrameSpansTheRequestedDesignSize) {
    ImageData frame(textureOf(200, 100), 0.5f);
    frame.setSize({50, 80});
    EXPECT_EQ(frame.bounds(), Rect(0, 0, 50, 80));
    EXPECT_FLOAT_EQ(frame.getScale(), 0.5f);
}

TEST(ImageDataResize, FrameOfZeroWidthOrHeightIsLeftAsItIs) {
    for (const glm::vec2 size : {glm::vec2(0, 10), glm::vec2(10, 0)}) {
        ImageData frame(size, Color());
        const auto before = positions(frame);
        frame.setSize({100, 100});
        expectCorners(positions(frame), before);
        EXPECT_FLOAT_EQ(frame.getWidth(), size.x);
        EXPECT_FLOAT_EQ(frame.getHeight(), size.y);
        for (const auto& v : frame.getVertexData()->vertices) {
            EXPECT_FALSE(std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z));
        }
    }
}

struct MirrorCase {
    const char* name;
    bool flipX;
    bool flipY;
    Corners corners;
};
void PrintTo(const MirrorCase& c, std::ostream* os) { *os << c.name; }

class ImageDataMirror : public testing::TestWithParam<MirrorCase> {};

TEST_P(ImageDataMirror, ExchangesTheSidesInsideTheSameBox) {
    Sprite sprite(R"(<sprite n="s" x="0" y="0" w="30" h="40" oX="5" oY="6" oW="50" oH="60"/>)");
    const ImageData source(textureOf(100, 100), sprite.element, 1.0f);
    ImageData mirrored(source, GetParam().flipX, GetParam().flipY);
    expectCorners(positions(mirrored), GetParam().corners);
    EXPECT_EQ(uvs(mirrored), uvs(source));
    EXPECT_EQ(mirrored.bounds(), source.bounds());
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageDataMirror,
                         testing::Values(MirrorCase{"None", false, false, {{5, 6}, {35, 6}, {35, 46}, {5, 46}}},
                                         MirrorCase{"X", true, false, {{35, 6}, {5, 6}, {5, 46}, {35, 46}}},
                                         MirrorCase{"Y", false, true, {{5, 46}, {35, 46}, {35, 6}, {5, 6}}},
                                         MirrorCase{"Both", true, true, {{35, 46}, {5, 46}, {5, 6}, {35, 6}}}),
                         [](const testing::TestParamInfo<MirrorCase>& param) { return std::string(param.param.name); });

TEST(ImageDataTiling, TextureCoordinatesRepeatEveryTileSize) {
    ImageData source(textureOf(16, 16), 1.0f);
    source.setSize({64, 32});
    ImageData tiled(source, 16.0f, 8.0f);
    expectCorners(uvs(tiled), {{0, 0}, {4, 0}, {4, 4}, {0, 4}});
    expectCorners(positions(tiled), positions(source));
}

TEST(ImageDataTiling, ZeroTileSizeLeavesTheTextureCoordinates) {
    const ImageData source(textureOf(16, 16), 1.0f);
    for (const glm::vec2 tile : {glm::vec2(0, 8), glm::vec2(8, 0)}) {
        ImageData tiled(source, tile.x, tile.y);
        EXPECT_EQ(uvs(tiled), uvs(source));
    }
}

TEST(ImageDataCopies, AreDeepShareTheTextureAndCarryNoName) {
    ImageData source(textureOf(8, 8), 1.0f);
    source.setName("named");
    ImageData copy(source);
    EXPECT_EQ(copy.name(), "");
    EXPECT_EQ(copy.getTexture(), source.getTexture());
    EXPECT_NE(copy.getVertexData(), source.getVertexData());
    copy.setSize({80, 80});
    EXPECT_EQ(source.bounds(), Rect(0, 0, 8, 8));

    ImageData target(glm::vec2(1, 1), Color());
    target.setName("target");
    target = source;
    EXPECT_EQ(target.name(), "target");
    EXPECT_EQ(target.getTexture(), source.getTexture());
    EXPECT_NE(target.getVertexData(), source.getVertexData());
    EXPECT_EQ(target.bounds(), source.bounds());
}

TEST(ImageDataDrawing, BindsItsTextureAndDrawsItsQuadUnderTheCurrentMatrix) {
    DrawRecorder render;
    auto texture = textureOf(8, 4);
    ImageData frame(texture, 1.0f);
    ImageData plain(glm::vec2(2, 2), Color());
    frame.draw();
    plain.draw();
    ASSERT_EQ(render.draws.size(), 2u);
    EXPECT_EQ(render.draws[0].texture, texture);
    EXPECT_EQ(render.draws[0].data.vertices.size(), 4u);
    EXPECT_EQ(render.draws[1].texture, nullptr);
    EXPECT_EQ(render.batchVertexCount(), 8u);
}

TEST(ImageDataDrawing, LoadUploadsImageTexturesOnly) {
    auto texture = std::make_shared<CountingTexture>(4, 4);
    ImageData frame(texture, 1.0f);
    frame.load();
    frame.load();
    EXPECT_EQ(texture->loads, 2); // the texture itself keeps the second call from the device

    struct RenderTarget : CountingTexture {
        RenderTarget() { kind_ = KindRenderTarget; }
    };
    auto renderTarget = std::make_shared<RenderTarget>();
    ImageData clip(renderTarget, 1.0f);
    clip.load();
    EXPECT_EQ(renderTarget->loads, 0);
}

} // namespace
} // namespace vorn
