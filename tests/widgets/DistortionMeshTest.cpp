// The distortion mesh on the recording device: the grid it builds, how its
// inner rows sway with time, texture repeat and its wrap restored after
// drawing, grid sizes it refuses, and its time on the stage.
#include "widgets/DistortionMesh.h"

#include "EffectFixture.h"
#include "core/Scheduler.h"
#include "render/VertexData.h"
#include "support/HeadlessApp.h"
#include "support/LogCapture.h"
#include "support/QuadNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using vorn::DistortionMesh;
using vorn::Node;
using vorn::VertexData;
using vorn::test::fromXmlAs;
using vorn::test::plainFrame;
using vorn::test::Recording;

std::shared_ptr<DistortionMesh> mesh(const std::string& attributes) {
    auto m = fromXmlAs<DistortionMesh>("<distortion_mesh " + attributes + "/>");
    EXPECT_TRUE(m);
    m->setup();
    return m;
}

const VertexData::Vertex& at(const DistortionMesh& m, unsigned row, unsigned col) {
    return m.getMesh()->vertices[row * (m.getCols() + 1) + col];
}

TEST(DistortionMeshGrid, RowByRowVerticesSpanTheNodeAndTheWholeTexture) {
    auto m = mesh(R"(w="30" h="20" rows="2" cols="3")");
    const auto& data = *m->getMesh();
    ASSERT_EQ(data.vertices.size(), 12u);
    for (unsigned i = 0; i <= 2; ++i) {
        for (unsigned j = 0; j <= 3; ++j) {
            const auto& v = at(*m, i, j);
            EXPECT_FLOAT_EQ(v.x, 10.0f * static_cast<float>(j));
            EXPECT_FLOAT_EQ(v.y, 10.0f * static_cast<float>(i));
            EXPECT_FLOAT_EQ(v.u, static_cast<float>(j) / 3.0f);
            EXPECT_FLOAT_EQ(v.v, static_cast<float>(i) / 2.0f);
            EXPECT_EQ(v.a, 1.0f);
            EXPECT_EQ(glm::vec2(v.x, v.y), glm::vec2(m->vertexAt(i, j)));
        }
    }
    const std::vector<std::uint16_t> triangles = {0, 1, 4, 4, 1, 5, 1, 2, 5, 5, 2, 6, 2,  3, 6, 6,  3, 7,
                                                  4, 5, 8, 8, 5, 9, 5, 6, 9, 9, 6, 10, 6, 7, 10, 10, 7, 11};
    EXPECT_EQ(data.indices, triangles);
}

TEST(DistortionMeshGrid, ADefaultGridOnFourHundredByThreeHundredRestsTenPixelsApart) {
    auto m = mesh(R"(w="400" h="300")");
    EXPECT_EQ(m->getRows(), 30u);
    EXPECT_EQ(m->getCols(), 40u);
    EXPECT_EQ(m->vertexAt(1, 1), glm::vec3(10, 10, 0));
    EXPECT_EQ(m->vertexAt(30, 40), glm::vec3(400, 300, 0));
}

TEST(DistortionMeshGrid, ASecondSetUpBuildsTheGridAfresh) {
    auto m = mesh(R"(w="30" h="20" rows="2" cols="3")");
    m->setGrid(1, 1);
    EXPECT_FALSE(m->isSetUp());
    m->setup();
    EXPECT_EQ(m->getMesh()->vertices.size(), 4u);
    EXPECT_EQ(m->getMesh()->indices.size(), 6u);
}

TEST(DistortionMeshSway, OnlyInnerVerticesMoveAndEachInnerRowAsAWhole) {
    auto m = mesh(R"(w="400" h="300")");
    const VertexData rest = *m->getMesh();
    for (int step = 0; step < 600; ++step) {
        m->onUpdate(1.0f / 60.0f); // ten seconds: more than two periods
        for (unsigned i = 0; i <= 30; ++i) {
            const float rowX = at(*m, i, 1).x - m->vertexAt(i, 1).x;
            for (unsigned j = 0; j <= 40; ++j) {
                const auto& v = at(*m, i, j);
                const auto& r = rest.vertices[i * 41 + j];
                if (i == 0 || i == 30 || j == 0 || j == 40) {
                    ASSERT_EQ(glm::vec2(v.x, v.y), glm::vec2(r.x, r.y)) << "border " << i << ", " << j;
                    continue;
                }
                // Never out of the 5 x 5 square around its rest.
                ASSERT_LE(std::abs(v.x - r.x), 2.5f + 1e-3f);
                ASSERT_LE(std::abs(v.y - r.y), 2.5f + 1e-3f);
                ASSERT_NEAR(v.x - r.x, rowX, 1e-3f);
                ASSERT_EQ(v.u, r.u);
                ASSERT_EQ(v.v, r.v);
            }
        }
    }
    EXPECT_NEAR(m->getTime(), 10.0f, 1e-3f);
}

TEST(DistortionMeshSway, TheShiftFollowsTheCosineOfTimeWithPhaseStepsEveryThirdAndSecondRow) {
    auto m = mesh(R"(w="20" h="40" rows="4" cols="2")");
    m->onUpdate(0.001f);
    const float near0 = 2.5f * std::cos(0.0015f);
    const float near1 = 2.5f * std::cos(1.0f);
    const struct {
        unsigned row;
        float dx, dy;
    } table[] = {{1, near0, near0}, {2, near0, near1}, {3, near1, near1}};
    for (const auto& row : table) {
        const auto& v = at(*m, row.row, 1);
        EXPECT_NEAR(v.x - 10.0f, row.dx, 0.02f) << "row " << row.row;
        EXPECT_NEAR(v.y - 10.0f * static_cast<float>(row.row), row.dy, 0.02f) << "row " << row.row;
    }

    // Two by two: only the centre moves, by 2.5 cos(1.5 t) each way.
    auto small = mesh(R"(w="20" h="20" rows="2" cols="2")");
    small->onUpdate(1.0f);
    for (unsigned i = 0; i <= 2; ++i) {
        for (unsigned j = 0; j <= 2; ++j) {
            const auto& v = at(*small, i, j);
            const glm::vec3 rest = small->vertexAt(i, j);
            const float shift = i == 1 && j == 1 ? 2.5f * std::cos(1.5f) : 0.0f;
            EXPECT_NEAR(v.x, rest.x + shift, 0.02f);
            EXPECT_NEAR(v.y, rest.y + shift, 0.02f);
        }
    }

    auto flat = mesh(R"(w="20" h="20" rows="1" cols="5")");
    const VertexData before = *flat->getMesh();
    flat->onUpdate(0.7f);
    for (std::size_t i = 0; i < before.vertices.size(); ++i) {
        EXPECT_EQ(flat->getMesh()->vertices[i].x, before.vertices[i].x);
        EXPECT_EQ(flat->getMesh()->vertices[i].y, before.vertices[i].y);
    }
}

TEST(DistortionMeshSway, TheTableIsTheCosineAndVeryLongTimesStayInsideIt) {
    DistortionMesh::initCosTable();
    EXPECT_EQ(DistortionMesh::cosTable[0], 1.0f);
    EXPECT_NEAR(DistortionMesh::cosTable[250], 0.0f, 1e-6f);
    EXPECT_NEAR(DistortionMesh::cosTable[500], -1.0f, 1e-6f);
    EXPECT_NEAR(DistortionMesh::cosTable[999], 1.0f, 1e-4f);

    // Past the 32-bit range of the phase in thousandths of a turn.
    auto m = mesh(R"(w="100" h="100" rows="10" cols="10")");
    for (float time : {9.0e6f, 5.0e9f, 3.0e30f}) {
        m->onUpdate(time);
        for (unsigned i = 1; i < 10; ++i) {
            const auto& v = at(*m, i, 5);
            EXPECT_LE(std::abs(v.x - 50.0f), 2.5f + 1e-3f) << time;
            EXPECT_LE(std::abs(v.y - 10.0f * static_cast<float>(i)), 2.5f + 1e-3f) << time;
        }
    }
}

TEST(DistortionMeshDrawing, RepeatTilesTheTextureAndTheWrapIsClampedAgainAfterwards) {
    Recording recording;
    auto root = std::make_shared<Node>();
    auto m = fromXmlAs<DistortionMesh>(R"(<distortion_mesh w="400" h="100" rows="2" cols="4" repeat_x="1"/>)");
    m->setImage(plainFrame(100.0f, 50.0f));
    root->addChild(m);
    root->addChild(std::make_shared<vorn::test::QuadNode>(glm::vec2(10, 10), vorn::Color()));
    const auto& batches = recording.draw(*root);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].vertexCount, 15u);
    EXPECT_EQ(batches[0].wrapU, 1);
    EXPECT_EQ(batches[0].wrapV, 0);
    EXPECT_FLOAT_EQ(at(*m, 0, 4).u, 4.0f);
    EXPECT_FLOAT_EQ(at(*m, 0, 2).u, 2.0f);
    EXPECT_FLOAT_EQ(at(*m, 2, 4).v, 1.0f);
    // What is drawn after the mesh is not tiled.
    EXPECT_EQ(batches[1].wrapU, 0);
    EXPECT_EQ(batches[1].wrapV, 0);
    EXPECT_EQ(recording.render.wrapU(), 0);
}

TEST(DistortionMeshDrawing, TheImageTextureIsLoadedAndBoundAndNodeColourApplies) {
    Recording recording;
    auto texture = std::make_shared<vorn::test::RecordingTexture>();
    auto m = fromXmlAs<DistortionMesh>(R"(<distortion_mesh w="40" h="40" rows="2" cols="2" color="FF000080"/>)");
    m->setImage(vorn::ImageData(texture, 1.0f));
    const auto& batches = recording.draw(*m);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].texture, texture);
    EXPECT_EQ(texture->loads, 1);
    EXPECT_EQ(batches[0].wrapU, 0);
    EXPECT_EQ(batches[0].vertices[0].color, 0x80FF0000u);
}

TEST(DistortionMeshDrawing, RepeatOverAnImageOfNoWidthKeepsFiniteTextureCoordinates) {
    auto m = fromXmlAs<DistortionMesh>(
        R"(<distortion_mesh w="40" h="40" rows="2" cols="2" repeat_x="1" repeat_y="1"/>)");
    m->setImage(plainFrame(0.0f, 0.0f));
    m->setup();
    for (const auto& v : m->getMesh()->vertices) {
        EXPECT_TRUE(std::isfinite(v.u) && std::isfinite(v.v));
        EXPECT_LE(v.u, 1.0f);
        EXPECT_LE(v.v, 1.0f);
    }
}

struct GridCase {
    const char* name;
    const char* attributes;
    unsigned rows, cols;
    bool refused;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class DistortionMeshSizes : public testing::TestWithParam<GridCase> {};

TEST_P(DistortionMeshSizes, SizesWithoutRowsOrBeyondSixteenBitIndicesAreRefused) {
    const GridCase& c = GetParam();
    vorn::test::LogCapture log;
    auto m = mesh(std::string(R"(w="64" h="64" )") + c.attributes);
    EXPECT_EQ(m->getRows(), c.rows);
    EXPECT_EQ(m->getCols(), c.cols);
    EXPECT_EQ(log.count("refused"), c.refused ? 1 : 0);
    const auto& data = *m->getMesh();
    EXPECT_EQ(data.vertices.size(), static_cast<std::size_t>(c.rows + 1) * (c.cols + 1));
    std::uint16_t largest = 0;
    for (const std::uint16_t index : data.indices) largest = std::max(largest, index);
    EXPECT_EQ(static_cast<std::size_t>(largest) + 1, data.vertices.size());
}

const GridCase grids[] = {
    {"NoRows", R"(rows="0")", 30, 40, true},
    {"NoColumns", R"(cols="0" rows="5")", 30, 40, true},
    {"NegativeRows", R"(rows="-1")", 30, 40, true},
    {"ExactlySixteenBits", R"(rows="255" cols="255")", 255, 255, false},
    {"OneRowTooMany", R"(rows="256" cols="255")", 30, 40, true},
    {"OneLongRow", R"(rows="1" cols="32767")", 1, 32767, false},
    {"TooLongARow", R"(rows="1" cols="32768")", 30, 40, true},
};

INSTANTIATE_TEST_SUITE_P(Table, DistortionMeshSizes, testing::ValuesIn(grids),
                         [](const testing::TestParamInfo<GridCase>& row) { return std::string(row.param.name); });

TEST(DistortionMeshSizes, SetGridRefusesTheSameAndKeepsTheGrid) {
    vorn::test::LogCapture log;
    DistortionMesh m;
    m.setGrid(4, 5);
    m.setGrid(0, 5);
    m.setGrid(5, 0);
    // One more than the largest unsigned: rows + 1 would wrap to 0.
    m.setGrid(4294967295u, 1);
    m.setGrid(300, 300);
    EXPECT_EQ(m.getRows(), 4u);
    EXPECT_EQ(m.getCols(), 5u);
    EXPECT_EQ(log.count("refused"), 4);
}

TEST(DistortionMeshStage, TimeRunsOnlyOnTheStageAndIsKeptAcrossEntries) {
    vorn::test::HeadlessRun run;
    auto scene = run.run();
    auto m = fromXmlAs<DistortionMesh>(R"(<distortion_mesh w="40" h="40" rows="4" cols="4"/>)");
    auto* scheduler = vorn::Scheduler::instance();
    scene->addChild(m);
    EXPECT_EQ(scheduler->count(m.get()), 1u);
    run.step(0.25f, 4);
    EXPECT_FLOAT_EQ(m->getTime(), 1.0f);
    m->exitStage();
    EXPECT_EQ(scheduler->count(m.get()), 0u);
    run.step(0.25f, 4);
    EXPECT_FLOAT_EQ(m->getTime(), 1.0f);
    m->enterStage();
    run.step(0.25f, 2);
    EXPECT_FLOAT_EQ(m->getTime(), 1.5f);
}

} // namespace
