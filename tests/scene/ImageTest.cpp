// Images and nine-slice images on the recording device: the vertex and
// texture-coordinate tables that mirroring, tiling, stretching and corner
// sizes give, the colour of plain rectangles, and the texture wrap each
// one draws with.
#include "core/ResourceManager.h"
#include "render/Texture.h"
#include "scene/Animation.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Image9.h"
#include "scene/NodeFactory.h"
#include "scene/Sprite.h"

#include "VisualFixture.h"
#include "support/LogCapture.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstddef>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using vorn::Color;
using vorn::Image;
using vorn::Image9;
using vorn::ImageData;
using vorn::Node;
using vorn::test::Corner;
using vorn::test::sameCorners;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class Pictures : public vorn::test::VisualFixture {
protected:
    // A node from element text; "PIC" stands for a 30 x 20 picture and
    // "SQUARE" for a 30 x 30 one.
    std::shared_ptr<Node> make(const std::string& xml) {
        const std::string text = replaced(replaced(xml, "PIC", pic), "SQUARE", square);
        tinyxml2::XMLDocument document;
        EXPECT_EQ(document.Parse(text.c_str()), tinyxml2::XML_SUCCESS) << text;
        return vorn::NodeFactory::instance().create(document.RootElement());
    }

    const std::string pic = picture("pic.png", 30, 20);
    const std::string square = picture("square.png", 30, 30);
};

struct ImageCase {
    std::string name;
    std::string attributes;
    glm::vec2 size;
    std::vector<Corner> corners;
    int wrapU = 0;
    int wrapV = 0;
};

void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.name; }

class ImageTable : public Pictures, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ImageTable, DrawsTheFrameAsItsAttributesSay) {
    const ImageCase& c = GetParam();
    const auto node = make("<image filename=\"PIC\" " + c.attributes + "/>");
    ASSERT_NE(std::dynamic_pointer_cast<Image>(node), nullptr);
    const auto batches = drawn(*node);
    EXPECT_EQ(node->getSize(), c.size);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_TRUE(sameCorners(corners(batches[0]), c.corners));
    EXPECT_EQ(batches[0].indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2}));
    ASSERT_NE(batches[0].texture, nullptr);
    EXPECT_EQ(batches[0].texture->getSize(), glm::vec2(30, 20));
    EXPECT_EQ(batches[0].wrapU, c.wrapU);
    EXPECT_EQ(batches[0].wrapV, c.wrapV);
    EXPECT_EQ(batches[0].vertices[0].color, 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ImageTable,
    ::testing::Values(
        ImageCase{"FilenameAloneTakesThePicturesSize", "", {30, 20},
                  {{0, 0, 0, 0}, {30, 0, 1, 0}, {30, 20, 1, 1}, {0, 20, 0, 1}}},
        ImageCase{"ASizeStretchesThePicture", "w=\"60\" h=\"40\"", {60, 40},
                  {{0, 0, 0, 0}, {60, 0, 1, 0}, {60, 40, 1, 1}, {0, 40, 0, 1}}},
        ImageCase{"AWidthAloneLeavesNoHeight", "w=\"60\"", {60, 0},
                  {{0, 0, 0, 0}, {60, 0, 1, 0}, {60, 0, 1, 1}, {0, 0, 0, 1}}},
        ImageCase{"FlipXSwapsTheSides", "flip_x=\"1\"", {30, 20},
                  {{30, 0, 0, 0}, {0, 0, 1, 0}, {0, 20, 1, 1}, {30, 20, 0, 1}}},
        ImageCase{"FlipBothTurnsItOver", "flip_x=\"true\" flip_y=\"Y\" w=\"60\" h=\"40\"", {60, 40},
                  {{60, 40, 0, 0}, {0, 40, 1, 0}, {0, 0, 1, 1}, {60, 0, 0, 1}}},
        ImageCase{"RepeatXTilesEveryPictureWidth", "w=\"60\" h=\"20\" repeat_x=\"1\"", {60, 20},
                  {{0, 0, 0, 0}, {60, 0, 2, 0}, {60, 20, 2, 1}, {0, 20, 0, 1}}, 1, 0},
        ImageCase{"RepeatYOverAStretchedWidth", "w=\"90\" h=\"50\" repeat_y=\"yes\"", {90, 50},
                  {{0, 0, 0, 0}, {90, 0, 1, 0}, {90, 50, 1, 2.5f}, {0, 50, 0, 2.5f}}, 0, 1},
        // The coordinates follow the mirrored positions: the same picture.
        ImageCase{"RepeatMakesFlipInvisible", "w=\"60\" h=\"20\" repeat_x=\"1\" flip_x=\"1\"", {60, 20},
                  {{60, 0, 2, 0}, {0, 0, 0, 0}, {0, 20, 0, 1}, {60, 20, 2, 1}}, 1, 0},
        // Flags read as the first number of their text: 0.5 is 0.
        ImageCase{"AFlagOfHalfIsOff", "repeat_x=\"0.5\" flip_y=\"0.9\"", {30, 20},
                  {{0, 0, 0, 0}, {30, 0, 1, 0}, {30, 20, 1, 1}, {0, 20, 0, 1}}}),
    [](const ::testing::TestParamInfo<ImageCase>& param) { return param.param.name; });

TEST_F(Pictures, AnUnsizedImageFollowsItsFrameAndASizedOneStretchesIt) {
    auto unsized = std::make_shared<Image>();
    unsized->setAnchorCentered(true);
    unsized->setPosition(100, 100);
    unsized->setImageData(frameOf(pic));
    EXPECT_EQ(unsized->getSize(), glm::vec2(30, 20));
    EXPECT_FALSE(unsized->isSizeSet());
    EXPECT_EQ(drawn(*unsized)[0].vertices[0].x, 85.0f);
    unsized->setImageData(frameOf(square));
    EXPECT_EQ(unsized->getSize(), glm::vec2(30, 30));
    EXPECT_FALSE(unsized->isSetUp()) << "a new frame is set up again before it is drawn";
    // A centred anchor follows the new frame's size.
    const auto batches = drawn(*unsized);
    EXPECT_EQ(batches[0].vertices[0].x, 85.0f);
    EXPECT_EQ(batches[0].vertices[0].y, 85.0f);

    auto sized = std::make_shared<Image>(pic);
    sized->setSize({90, 10});
    sized->setImageData(frameOf(square));
    EXPECT_EQ(sized->getSize(), glm::vec2(90, 10));
    EXPECT_EQ(sized->getData().bounds(), vorn::Rect(0, 0, 90, 10));

    // A frame of half scale, as a double-resolution file gives, covers half
    // its pixels.
    const auto half = std::make_shared<ImageData>(frameOf(square)->getTexture(), 0.5f);
    auto small = std::make_shared<Image>(half);
    EXPECT_EQ(small->getSize(), glm::vec2(15, 15));
    small->setRepeat(true, false);
    small->setSize({45, 15});
    EXPECT_TRUE(sameCorners(corners(*small->getData().getVertexData()),
                            {{0, 0, 0, 0}, {45, 0, 3, 0}, {45, 15, 3, 1}, {0, 15, 0, 1}}));
}

TEST_F(Pictures, TheImageNeverChangesTheCachedFrame) {
    auto a = std::make_shared<Image>(pic);
    auto b = std::dynamic_pointer_cast<Image>(make("<image filename=\"PIC\" w=\"300\" h=\"5\" flip_x=\"1\"/>"));
    a->setImageData(frameOf(pic));
    a->setSize({7, 7});
    drawn(*b);
    EXPECT_EQ(frameOf(pic)->bounds(), vorn::Rect(0, 0, 30, 20));
    EXPECT_EQ(frameOf(pic)->getVertexData()->vertices[0].x, 0.0f);
}

TEST_F(Pictures, APlainRectangleShowsItsColourOnce) {
    // Half-transparent black: alpha 0.5 reaches the device as 127, not as
    // the 63 that colouring both the rectangle and the node would give.
    Image made({40, 20}, Color(0, 0, 0, 0.5f));
    EXPECT_EQ(made.getColor().toARGB(), Color(0, 0, 0, 0.5f).toARGB());
    EXPECT_FALSE(made.isEnabled());
    auto batches = drawn(made);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].texture, nullptr);
    EXPECT_EQ(batches[0].vertices[2].x, 40.0f);
    for (const auto& v : batches[0].vertices) EXPECT_EQ(v.color, 0x7F000000u);

    // The untextured stand-in of a sized image without a picture.
    const auto loaded = make(R"(<image w="40" h="20" color="FF000080"/>)");
    batches = drawn(*loaded);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].texture, nullptr);
    for (const auto& v : batches[0].vertices) {
        EXPECT_NEAR(static_cast<int>(v.color >> 24), 0x80, 1);
        EXPECT_EQ(v.color & 0xFFFFFF, 0xFF0000u);
    }

    // A state's colour replaces the rectangle's instead of tinting it.
    made.setColor(Color(1, 0, 0, 1));
    batches = drawn(made);
    EXPECT_EQ(batches[0].vertices[0].color, 0xFFFF0000u);
}

TEST_F(Pictures, AFrameReplacesTheStandInAndAMissingPictureShowsNothing) {
    // A name that is no picture leaves the sized image its stand-in.
    const auto node = std::dynamic_pointer_cast<Image>(make(R"(<image w="40" h="20" filename="notes.xml"/>)"));
    ASSERT_NE(node, nullptr);
    auto batches = drawn(*node);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].texture, nullptr);
    node->setImageData(frameOf(pic));
    batches = drawn(*node);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].texture, frameOf(pic)->getTexture());
    EXPECT_EQ(batches[0].vertices[2].x, 40.0f);

    // A picture file that is missing loads as a frame of no size.
    const auto missing = std::dynamic_pointer_cast<Image>(make(R"(<image w="40" h="20" filename="gone.png"/>)"));
    drawn(*missing);
    EXPECT_EQ(missing->getData().bounds(), vorn::Rect());

    vorn::test::LogCapture log;
    Image named("data/no/such/file.xml");
    EXPECT_EQ(log.count("is not a picture"), 1) << log.text();
    EXPECT_EQ(drawn(named).size(), 0u);
    EXPECT_FALSE(named.isEnabled());
}

// Scenery that scrolls by: read when it comes within half a screen, drawn
// like any image, and let go (texture and all) once it is farther again.
TEST_F(Pictures, APictureLoadedWhenShownIsHeldOnlyNearTheScreen) {
    run.render.setProjection(glm::ortho(0.0f, 100.0f, 100.0f, 0.0f, -1.0f, 1.0f));
    const auto node =
        std::dynamic_pointer_cast<Image>(make(R"(<image filename="PIC" w="60" h="40" load_when_shown="1"/>)"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getSize(), glm::vec2(60, 40));

    node->setPosition({160.0f, 0.0f});
    EXPECT_TRUE(drawn(*node).empty());
    EXPECT_EQ(node->getSourceData(), nullptr);
    EXPECT_FALSE(vorn::ResourceManager::instance()->isCached(pic));

    // Half a screen ahead it is read already; on screen it is drawn stretched.
    node->setPosition({140.0f, 0.0f});
    drawn(*node);
    ASSERT_NE(node->getSourceData(), nullptr);
    // Back across that edge it stays: it goes only an eighth of a screen
    // farther.
    const vorn::ImageData* read = node->getSourceData().get();
    node->setPosition({155.0f, 0.0f});
    drawn(*node);
    EXPECT_EQ(node->getSourceData().get(), read);
    node->setPosition({20.0f, 50.0f});
    auto batches = drawn(*node);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_NE(batches[0].texture, nullptr);
    EXPECT_EQ(batches[0].texture->getSize(), glm::vec2(30, 20));
    EXPECT_TRUE(sameCorners(corners(batches[0]), {{20, 50, 0, 0}, {80, 50, 1, 0}, {80, 90, 1, 1}, {20, 90, 0, 1}}));
    std::weak_ptr<vorn::Texture> texture = batches[0].texture;
    batches.clear();
    run.render.batches.clear();

    node->setPosition({20.0f, -160.0f});
    EXPECT_TRUE(drawn(*node).empty());
    EXPECT_EQ(node->getSourceData(), nullptr);
    // The device lets its last texture go with the next one it binds.
    run.render.unsetTexture();
    EXPECT_TRUE(texture.expired());
    EXPECT_FALSE(vorn::ResourceManager::instance()->isCached(pic));

    node->setPosition({0.0f, 0.0f});
    EXPECT_EQ(drawn(*node).size(), 1u);
}

// A screen left for another: the large pictures only it showed go once a
// frame without them has been shown, as the device holds the last frame it
// showed until the next one; the new screen's stay.
TEST_F(Pictures, TheLargePicturesOfAScreenLeftGoOnceAFrameWithoutThemIsShown) {
    const std::string left = picture("left.png", 600, 600);
    const std::string next = picture("next.png", 600, 600);
    // What the last frame drew stays held until the next one is shown.
    const auto showFrame = [&] {
        const auto shownBefore = static_cast<std::ptrdiff_t>(run.render.batches.size());
        run.step(1.0f / 60.0f);
        run.render.batches.erase(run.render.batches.begin(), run.render.batches.begin() + shownBefore);
    };
    const auto screenOf = [&](const std::string& path) {
        auto scene = std::make_shared<vorn::Scene>(&run.app);
        scene->addChild(make(R"(<image filename=")" + path + R"("/>)"));
        run.app.runScene(scene);
    };

    screenOf(left);
    showFrame();
    ASSERT_EQ(run.render.batches.size(), 1u);
    const std::weak_ptr<vorn::Texture> leftTexture = run.render.batches[0].texture;
    ASSERT_FALSE(leftTexture.expired());

    screenOf(next);
    showFrame();
    showFrame();
    EXPECT_FALSE(vorn::ResourceManager::instance()->isCached(left));
    EXPECT_TRUE(leftTexture.expired());
    EXPECT_TRUE(vorn::ResourceManager::instance()->isCached(next));
    ASSERT_EQ(run.render.batches.size(), 1u);
    EXPECT_EQ(run.render.batches[0].texture->getSize(), glm::vec2(600, 600));
}

TEST_F(Pictures, APictureLoadedWhenShownThatIsMissingOrUnsizedIsSaidOnce) {
    run.render.setProjection(glm::ortho(0.0f, 100.0f, 100.0f, 0.0f, -1.0f, 1.0f));
    vorn::test::LogCapture log;
    // Missing: nothing drawn, not even the white stand-in, and read once.
    const auto missing = std::dynamic_pointer_cast<Image>(
        make(R"(<image filename="data/no/such.png" w="60" h="40" load_when_shown="1"/>)"));
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(drawn(*missing).empty());
    EXPECT_TRUE(drawn(*missing).empty());
    EXPECT_EQ(log.count("data/no/such.png is not a picture"), 1) << log.text();

    // Without a size there is nothing to stand in for it: it is read at once.
    vorn::test::LogCapture unsizedLog;
    const auto unsized = std::dynamic_pointer_cast<Image>(make(R"(<image filename="PIC" load_when_shown="1"/>)"));
    ASSERT_NE(unsized, nullptr);
    EXPECT_EQ(unsizedLog.count("has no size, so it is loaded at once"), 1) << unsizedLog.text();
    EXPECT_EQ(unsized->getSize(), glm::vec2(30, 20));
    EXPECT_EQ(drawn(*unsized).size(), 1u);
}

TEST_F(Pictures, ANonNumericSizeIsLeftOutAndTheRestIsRead) {
    vorn::test::LogCapture log;
    const auto node = make(R"(<image w="wide" h="12" filename="PIC"/>)");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(log.count(R"(<image> w="wide" is not a number, ignored)"), 1) << log.text();
    EXPECT_EQ(node->getSize().y, 12.0f);
}

// A repeating image leaves the wrap on for whatever is drawn next; the
// nine-slice image and the frame animation draw clamped all the same.
TEST_F(Pictures, OnlyTheRepeatingImageDrawsWrapped) {
    const std::string other = picture("other.png", 8, 8);
    const auto root = make(R"(<container>
        <image filename="PIC" w="60" h="20" repeat_x="1" repeat_y="1"/>
        <image9 filename="SQUARE" w="100" h="40" corner="5"/>
        <image filename="PIC" w="60" h="20" repeat_y="1"/>
        <animation w="10" h="10"><frame filename=")" + other + R"("/></animation>
      </container>)");
    const auto batches = drawn(*root);
    ASSERT_EQ(batches.size(), 4u);
    const int wraps[4][2] = {{1, 1}, {0, 0}, {0, 1}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(batches[i].wrapU, wraps[i][0]) << i;
        EXPECT_EQ(batches[i].wrapV, wraps[i][1]) << i;
    }
    EXPECT_EQ(batches[1].vertexCount, 16u);
}

TEST_F(Pictures, TheFactoryMakesEachPictureKindByItsElementName) {
    const auto root = make(R"(<container>
        <image/><image9/><animation/><sprite/><effect/><Image/><image_9/>
      </container>)");
    ASSERT_EQ(root->children().size(), 5u);
    EXPECT_EQ(typeid(*root->children()[0]), typeid(Image));
    EXPECT_EQ(typeid(*root->children()[1]), typeid(Image9));
    EXPECT_EQ(typeid(*root->children()[2]), typeid(vorn::Animation));
    EXPECT_EQ(typeid(*root->children()[3]), typeid(vorn::Sprite));
    EXPECT_EQ(typeid(*root->children()[4]), typeid(vorn::Effect));
    for (int i : {0, 1}) EXPECT_FALSE(root->children()[static_cast<std::size_t>(i)]->isEnabled());
}

class NineSlice : public Pictures {
protected:
    std::shared_ptr<Image9> sliced(const std::string& attributes) {
        auto node = std::dynamic_pointer_cast<Image9>(make("<image9 filename=\"SQUARE\" " + attributes + "/>"));
        EXPECT_NE(node, nullptr);
        return node;
    }
};

// A 100 x 40 node with corners of 10 over a 30 x 30 picture: a corner
// covers 10 of its 30 pixels, a third of the texture.
const std::vector<Corner> sliceTable = {
    {0, 0, 0, 0},           {100, 0, 1, 0},         {100, 40, 1, 1},        {0, 40, 0, 1},
    {10, 0, 1.f / 3, 0},    {90, 0, 2.f / 3, 0},    {0, 10, 0, 1.f / 3},    {10, 10, 1.f / 3, 1.f / 3},
    {90, 10, 2.f / 3, 1.f / 3}, {100, 10, 1, 1.f / 3}, {0, 30, 0, 2.f / 3}, {10, 30, 1.f / 3, 2.f / 3},
    {90, 30, 2.f / 3, 2.f / 3}, {100, 30, 1, 2.f / 3}, {10, 40, 1.f / 3, 1}, {90, 40, 2.f / 3, 1},
};
const std::vector<std::uint16_t> sliceTriangles = {0,  4,  6,  6,  4,  7,  4,  5,  7,  7,  5,  8,  5,  1,
                                                   8,  8,  1,  9,  6,  7,  10, 10, 7,  11, 7,  8,  11, 11,
                                                   8,  12, 8,  9,  12, 12, 9,  13, 10, 11, 3,  3,  11, 14,
                                                   11, 12, 14, 14, 12, 15, 12, 13, 15, 15, 13, 2};

TEST_F(NineSlice, CornersKeepTheirSizeWhileTheRestStretches) {
    const auto node = sliced(R"(w="100" h="40" corner="10")");
    const auto batches = drawn(*node);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_TRUE(sameCorners(corners(batches[0]), sliceTable));
    EXPECT_EQ(batches[0].indices, sliceTriangles);
    EXPECT_EQ(batches[0].texture, frameOf(square)->getTexture());
    for (const auto& v : batches[0].vertices) EXPECT_EQ(v.color, 0xFFFFFFFFu);
    // Mirroring and tiling are read but change nothing here.
    const auto flagged = sliced(R"(w="100" h="40" corner="10" flip_x="1" flip_y="1" repeat_x="1" repeat_y="1")");
    const auto same = drawn(*flagged);
    ASSERT_EQ(same.size(), 1u);
    EXPECT_TRUE(sameCorners(corners(same[0]), sliceTable));
    EXPECT_EQ(same[0].wrapU, 0);
}

TEST_F(NineSlice, ASizeChangeRebuildsAtOnceUnlessTheCornerIsZero) {
    const auto node = sliced(R"(w="100" h="40" corner="10")");
    node->setSize({200, 80});
    const auto& vertices = node->getData().getVertexData()->vertices;
    ASSERT_EQ(vertices.size(), 16u);
    EXPECT_EQ(vertices[5].x, 190.0f);
    EXPECT_EQ(vertices[13].y, 70.0f);

    const auto plain = sliced(R"(w="100" h="40")");
    const auto batches = drawn(*plain);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].indexCount, 54u) << "a plain quad of eighteen triangles";
    EXPECT_EQ(batches[0].vertices[4].x, 0.0f);
    EXPECT_EQ(batches[0].vertices[5].x, 100.0f);
    plain->setSize({300, 300});
    EXPECT_EQ(plain->getData().bounds(), vorn::Rect(0, 0, 100, 40)) << "the drawn frame keeps its geometry";
}

struct SliceCase {
    std::string name;
    glm::vec2 size;
    float corner;
    // Vertices 0, 4, 5 and 12.
    std::vector<Corner> some;
};

void PrintTo(const SliceCase& c, std::ostream* os) { *os << c.name; }

class SliceFrames : public NineSlice, public ::testing::WithParamInterface<SliceCase> {
protected:
    // The square at half scale, or its middle half as an atlas sprite cut
    // out of it at an offset.
    std::shared_ptr<ImageData> frame(const std::string& which) {
        const auto texture = frameOf(square)->getTexture();
        if (which == "half") return std::make_shared<ImageData>(texture, 0.5f);
        tinyxml2::XMLDocument document;
        document.Parse(R"(<sprite x="7.5" y="7.5" w="15" h="15" oX="3" oY="4" oW="30" oH="30"/>)");
        return std::make_shared<ImageData>(texture, document.RootElement(), 1.0f);
    }
};

TEST_P(SliceFrames, TheCornerIsMeasuredOnTheFrameAtItsScale) {
    const SliceCase& c = GetParam();
    const auto source = frame(c.name.rfind("Half", 0) == 0 ? "half" : "sprite");
    Image9 node(*source, c.corner);
    node.setSize(c.size);
    const auto& v = node.getData().getVertexData()->vertices;
    ASSERT_EQ(v.size(), 16u);
    const std::vector<Corner> got = {{v[0].x, v[0].y, v[0].u, v[0].v},
                                     {v[4].x, v[4].y, v[4].u, v[4].v},
                                     {v[5].x, v[5].y, v[5].u, v[5].v},
                                     {v[12].x, v[12].y, v[12].u, v[12].v}};
    EXPECT_TRUE(sameCorners(got, c.some));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SliceFrames,
    ::testing::Values(
        // Shown 15 x 15, a corner of 10 reaches past the middle of the texture.
        SliceCase{"HalfScaleCornersOverlapInTheTexture", {100, 40}, 10,
                  {{0, 0, 0, 0}, {10, 0, 2.f / 3, 0}, {90, 0, 1.f / 3, 0}, {90, 30, 1.f / 3, 1.f / 3}}},
        // Narrower than two corners: the middle column folds back.
        SliceCase{"HalfScaleNarrowNodeFolds", {15, 40}, 5,
                  {{0, 0, 0, 0}, {5, 0, 1.f / 3, 0}, {10, 0, 2.f / 3, 0}, {10, 35, 2.f / 3, 2.f / 3}}},
        // Only the sprite's texture rectangle counts; its offset does not.
        SliceCase{"SpriteUsesItsTextureRectangleOnly", {60, 60}, 10,
                  {{0, 0, 0.25f, 0.25f},
                   {10, 0, 0.25f + 1.f / 6, 0.25f},
                   {50, 0, 0.75f - 1.f / 6, 0.25f},
                   {50, 50, 0.75f - 1.f / 6, 0.75f - 1.f / 6}}}),
    [](const ::testing::TestParamInfo<SliceCase>& param) { return param.param.name; });

TEST_F(NineSlice, WithoutATexturedFrameNothingIsDrawn) {
    // No picture at all: not even the plain image's stand-in rectangle.
    const auto bare = make(R"(<image9 w="100" h="40" corner="10"/>)");
    EXPECT_EQ(drawn(*bare).size(), 0u);
    const auto missing = std::dynamic_pointer_cast<Image9>(make(R"(<image9 filename="gone.png" w="50" h="50" corner="8"/>)"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(drawn(*missing).size(), 0u);

    // A plain-colour frame handed over in code has no texture to cut.
    auto colour = std::make_shared<Image9>();
    colour->setCorner(4);
    colour->setSize({50, 50});
    colour->setImageData(std::make_shared<ImageData>(glm::vec2(20, 20), Color(1, 0, 0, 1)));
    EXPECT_EQ(colour->buildNineSlice().getVertexData()->vertices.size(), 0u);
    EXPECT_EQ(drawn(*colour).size(), 0u);
    colour->setSize({60, 60});
    EXPECT_EQ(drawn(*colour).size(), 0u);
}

TEST_F(NineSlice, ACornerThatIsNoNumberCountsAsZero) {
    vorn::test::LogCapture log;
    const auto node = sliced(R"(w="100" h="40" corner="nan" name="odd")");
    EXPECT_EQ(node->getCorner(), 0.0f);
    EXPECT_EQ(log.count("Image9 odd: corner nan"), 1) << log.text();
    const auto batches = drawn(*node);
    ASSERT_EQ(batches.size(), 1u);
    for (const auto& v : batches[0].vertices) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.u));
    }
}

} // namespace
