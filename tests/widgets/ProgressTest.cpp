// Progress indicators: the cut bars and the circular sector as tables of
// vertices, the sector on pictures that are not square, the colour applied
// once, and the values a data source may bring.
#include "widgets/Progress.h"

#include "core/DataSource.h"
#include "render/VertexData.h"

#include "support/ImageFiles.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::Progress;
using vorn::Value;
using vorn::VertexData;

struct Corner {
    float x, y, u, v;
};

struct BarCase {
    std::string name;
    std::string attributes;
    std::vector<Corner> quad;
};

void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }

class ProgressFixture : public vorn::test::WidgetFixture {
protected:
    // A picture file of that size, so that the frame spans the whole texture.
    std::string picture(int w, int h) {
        const std::string path = dir.file("p" + std::to_string(w) + "x" + std::to_string(h) + ".png");
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w * h * 4), 255);
        EXPECT_TRUE(vorn::test::writePng(path, w, h, 4, pixels));
        return path;
    }
    std::shared_ptr<Progress> progress(const std::string& attributes, int w, int h) {
        start("<scene><progress name=\"p\" filename=\"" + picture(w, h) + "\" " + attributes + "/></scene>");
        return find<Progress>("p");
    }
};

class Bars : public ProgressFixture, public ::testing::WithParamInterface<BarCase> {};

TEST_P(Bars, TheBarIsCutNotSqueezed) {
    const BarCase& c = GetParam();
    const bool vertical = c.attributes.find("vertical") != std::string::npos;
    auto p = progress(c.attributes, vertical ? 40 : 200, vertical ? 200 : 20);
    const VertexData bar = p->bar();
    ASSERT_EQ(bar.vertices.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& v = bar.vertices[i];
        EXPECT_FLOAT_EQ(v.x, c.quad[i].x) << "vertex " << i;
        EXPECT_FLOAT_EQ(v.y, c.quad[i].y) << "vertex " << i;
        EXPECT_FLOAT_EQ(v.u, c.quad[i].u) << "vertex " << i;
        EXPECT_FLOAT_EQ(v.v, c.quad[i].v) << "vertex " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Bars,
    ::testing::Values(
        BarCase{"HalfOfAHorizontalBar", R"~(value="0.5")~", {{0, 0, 0, 0}, {100, 0, 0.5, 0}, {100, 20, 0.5, 1}, {0, 20, 0, 1}}},
        BarCase{"EmptyBar", R"~(value="0")~", {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 20, 0, 1}, {0, 20, 0, 1}}},
        BarCase{"FullBar", R"~(value="1")~", {{0, 0, 0, 0}, {200, 0, 1, 0}, {200, 20, 1, 1}, {0, 20, 0, 1}}},
        BarCase{"AFileValueIsNotClamped", R"~(value="1.5")~",
                {{0, 0, 0, 0}, {300, 0, 1.5, 0}, {300, 20, 1.5, 1}, {0, 20, 0, 1}}},
        BarCase{"AQuarterOfAVerticalBar", R"~(type="vertical" value="0.25")~",
                {{0, 0, 0, 0}, {40, 0, 1, 0}, {40, 50, 1, 0.25}, {0, 50, 0, 0.25}}}),
    [](const ::testing::TestParamInfo<BarCase>& param) { return param.param.name; });

struct Edge {
    glm::vec2 from, to;
};

struct SectorCase {
    std::string name;
    std::string attributes;
    std::vector<Edge> edges;
};

void PrintTo(const SectorCase& c, std::ostream* os) { *os << c.name; }

std::vector<Edge> outerEdges(const VertexData& fan) {
    std::vector<Edge> edges;
    for (std::size_t i = 0; i + 2 < fan.vertices.size(); i += 3) {
        const auto& a = fan.vertices[i + 1];
        const auto& b = fan.vertices[i + 2];
        edges.push_back({{a.x, a.y}, {b.x, b.y}});
    }
    return edges;
}

class Sectors : public ProgressFixture, public ::testing::WithParamInterface<SectorCase> {};

TEST_P(Sectors, TheFanCoversItsShareOfASquarePicture) {
    const SectorCase& c = GetParam();
    auto p = progress("type=\"circular\" " + c.attributes, 100, 100);
    const VertexData fan = p->sectorTriangles();
    const std::vector<Edge> edges = outerEdges(fan);
    ASSERT_EQ(edges.size(), c.edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) {
        EXPECT_NEAR(edges[i].from.x, c.edges[i].from.x, 1e-3) << "wedge " << i;
        EXPECT_NEAR(edges[i].from.y, c.edges[i].from.y, 1e-3) << "wedge " << i;
        EXPECT_NEAR(edges[i].to.x, c.edges[i].to.x, 1e-3) << "wedge " << i;
        EXPECT_NEAR(edges[i].to.y, c.edges[i].to.y, 1e-3) << "wedge " << i;
    }
    for (const auto& v : fan.vertices) {
        // The whole texture over a square: coordinates follow the position.
        EXPECT_NEAR(v.u, v.x / 100.0f, 1e-5);
        EXPECT_NEAR(v.v, v.y / 100.0f, 1e-5);
        EXPECT_EQ(v.r * v.g * v.b * v.a, 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Sectors,
    ::testing::Values(
        SectorCase{"HalfFromTheTopClockwise", R"~(value="0.5")~",
                   {{{50, 0}, {100, 0}}, {{100, 0}, {100, 50}}, {{100, 50}, {100, 100}}, {{100, 100}, {50, 100}}}},
        SectorCase{"HalfInverted", R"~(value="0.5" invert="1")~",
                   {{{50, 0}, {0, 0}}, {{0, 0}, {0, 50}}, {{0, 50}, {0, 100}}, {{0, 100}, {50, 100}}}},
        SectorCase{"LowerHalfFromTheRight", R"~(value="1" startAngle="90" sector="180")~",
                   {{{100, 50}, {100, 100}}, {{100, 100}, {50, 100}}, {{50, 100}, {0, 100}}, {{0, 100}, {0, 50}}}},
        SectorCase{"ATenthEndsInsideTheFirstEighth", R"~(value="0.1")~",
                   {{{50, 0}, {50 + 50 * std::tan(0.6283185f), 0}}}},
        SectorCase{"NothingAtZero", R"~(value="0")~", {}}),
    [](const ::testing::TestParamInfo<SectorCase>& param) { return param.param.name; });

// On a picture that is not square every wedge ends on the picture's edge
// where the next one starts, and the full sector covers the picture
// exactly: no gaps, nothing outside.
TEST_F(ProgressFixture, TheSectorOfAWidePictureCoversItExactly) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{200, 100}, {60, 300}}) {
        auto p = progress(R"~(type="circular" value="1")~", w, h);
        const VertexData fan = p->sectorTriangles();
        const std::vector<Edge> edges = outerEdges(fan);
        ASSERT_FALSE(edges.empty());
        float area = 0.0f;
        for (std::size_t i = 0; i < edges.size(); ++i) {
            const Edge& e = edges[i];
            if (i > 0) {
                EXPECT_NEAR(e.from.x, edges[i - 1].to.x, 1e-3);
                EXPECT_NEAR(e.from.y, edges[i - 1].to.y, 1e-3);
            }
            for (const glm::vec2& q : {e.from, e.to}) {
                EXPECT_GE(q.x, -1e-3f);
                EXPECT_LE(q.x, w + 1e-3f);
                EXPECT_GE(q.y, -1e-3f);
                EXPECT_LE(q.y, h + 1e-3f);
                const bool onEdge = std::abs(q.x) < 1e-3f || std::abs(q.x - w) < 1e-3f || std::abs(q.y) < 1e-3f ||
                                    std::abs(q.y - h) < 1e-3f;
                EXPECT_TRUE(onEdge) << q.x << ", " << q.y;
            }
            const glm::vec2 a = e.from - glm::vec2(w / 2.0f, h / 2.0f);
            const glm::vec2 b = e.to - glm::vec2(w / 2.0f, h / 2.0f);
            area += 0.5f * (a.x * b.y - a.y * b.x);
        }
        EXPECT_NEAR(edges.front().from.x, edges.back().to.x, 1e-3);
        EXPECT_NEAR(edges.front().from.y, edges.back().to.y, 1e-3);
        EXPECT_NEAR(area, static_cast<float>(w * h), 0.5f) << w << " x " << h;
        for (const auto& v : fan.vertices) {
            EXPECT_NEAR(v.u, v.x / w, 1e-5);
            EXPECT_NEAR(v.v, v.y / h, 1e-5);
        }
    }
}

// The sector takes its texture from where the frame shows it: a mirrored
// picture is mirrored in the sector too.
TEST_F(ProgressFixture, TheSectorFollowsTheFramesTextureCoordinates) {
    auto p = progress(R"~(type="circular" value="1" flip_x="1")~", 100, 100);
    const VertexData fan = p->sectorTriangles();
    ASSERT_FALSE(fan.vertices.empty());
    for (const auto& v : fan.vertices) {
        EXPECT_NEAR(v.u, 1.0f - v.x / 100.0f, 1e-5);
        EXPECT_NEAR(v.v, v.y / 100.0f, 1e-5);
    }
}

TEST_F(ProgressFixture, HugeAndMeaninglessValuesCostNoMoreThanAFullTurn) {
    auto p = progress(R"~(type="circular" value="100000000")~", 100, 100);
    EXPECT_LE(p->sectorTriangles().indices.size(), 3u * 12u);
    auto q = progress(R"~(type="circular" value="nan")~", 100, 100);
    EXPECT_TRUE(q->sectorTriangles().vertices.empty());
    q->setType(7);
    run.render.batches.clear();
    run.step(0.0f);
    EXPECT_TRUE(run.render.batches.empty());
    // A start angle that is no number has no edge to start from.
    for (const char* angle : {"nan", "inf", "-inf"}) {
        auto r = progress(std::string(R"~(type="circular" value="0.5" startAngle=")~") + angle + "\"", 100, 100);
        EXPECT_TRUE(r->sectorTriangles().vertices.empty()) << angle;
        run.render.batches.clear();
        run.step(0.0f);
        EXPECT_TRUE(run.render.batches.empty()) << angle;
    }
}

TEST_F(ProgressFixture, TheNodesColourIsAppliedOnce) {
    start(R"~(<scene><progress name="p" w="100" h="100" type="circular" value="1" color="FF000080"/>
                     <progress name="q" x="200" w="100" h="20" value="1" color="FF000080"/></scene>)~");
    run.render.batches.clear();
    run.step(0.0f);
    std::size_t vertices = 0;
    for (const auto& batch : run.render.batches) {
        for (const auto& v : batch.vertices) {
            EXPECT_EQ(v.color, 0x80FF0000u);
            ++vertices;
        }
    }
    EXPECT_GT(vertices, 0u);
}

TEST_F(ProgressFixture, TheSourcesValueIsClampedAndUnsetReadsAsZero) {
    auto p = progress(R"~(value="0.3" dataSource="progress.at")~", 200, 20);
    EXPECT_EQ(p->getValue(), 0.0f);
    DataSource* at = DataSource::get("progress.at");
    for (const auto& [value, shown] : std::vector<std::pair<Value, float>>{
             {Value(1.7), 1.0f}, {Value(-3), 0.0f}, {Value("0.25"), 0.25f}, {Value("full"), 0.25f}}) {
        at->set(value);
        EXPECT_EQ(p->getValue(), shown) << value.toString();
    }
    p->setValue(4.0f);
    EXPECT_EQ(p->getValue(), 1.0f);
}

TEST_F(ProgressFixture, TheTypeAttributeNamesTheShape) {
    for (const auto& [text, type] : std::vector<std::pair<std::string, int>>{
             {"vertical", Progress::VERTICAL}, {"circular", Progress::CIRCULAR}, {"round", Progress::HORIZONTAL}}) {
        auto p = progress("type=\"" + text + "\" startAngle=\"90\" sector=\"180\"", 10, 10);
        EXPECT_EQ(p->getType(), type) << text;
        EXPECT_NEAR(p->getStartAngle(), 1.5707963f, 1e-6);
        EXPECT_NEAR(p->getSector(), 3.1415927f, 1e-6);
    }
}

} // namespace
