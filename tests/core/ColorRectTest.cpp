#include "core/Color.h"
#include "core/Rect.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

void expectColor(const vorn::Color& c, float r, float g, float b, float a, const std::string& what) {
    EXPECT_FLOAT_EQ(c.r, r) << what;
    EXPECT_FLOAT_EQ(c.g, g) << what;
    EXPECT_FLOAT_EQ(c.b, b) << what;
    EXPECT_FLOAT_EQ(c.a, a) << what;
}

void expectRect(const vorn::Rect& r, float x, float y, float w, float h, const std::string& what) {
    EXPECT_FLOAT_EQ(r.x, x) << what;
    EXPECT_FLOAT_EQ(r.y, y) << what;
    EXPECT_FLOAT_EQ(r.w, w) << what;
    EXPECT_FLOAT_EQ(r.h, h) << what;
}

} // namespace

TEST(Color, FromHexText) {
    struct Case {
        const char* text;
        float r, g, b, a;
    };
    const float half = 128.0f / 255.0f;
    const std::vector<Case> cases = {
        {"FF000080", 1, 0, 0, half},
        {"00FF00", 0, 1, 0, 1},
        {"ff8000", 1, half, 0, 1},
        {"FF8000", 1, half, 0, 1},
        {"ABCDE", 1, 1, 1, 1},
        {"", 1, 1, 1, 1},
        {"0000FFx", 0, 0, 1, 1},           // a seventh character is ignored
        {"00000000FFFF", 0, 0, 0, 0},      // so is everything after the eighth
        {"#FF0000", 15.0f / 255, 240.0f / 255, 0, 1}, // '#' counts as a 0 digit
        {"zz1g00", 0, 16.0f / 255, 0, 1},
        {nullptr, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string name = c.text ? c.text : "(null)";
        expectColor(vorn::Color(c.text), c.r, c.g, c.b, c.a, name);
        if (c.text) expectColor(vorn::Color(std::string(c.text)), c.r, c.g, c.b, c.a, name);
    }
    expectColor(vorn::Color(), 1, 1, 1, 1, "default");
    EXPECT_EQ(vorn::Color::hexDigit('7'), 7);
    EXPECT_EQ(vorn::Color::hexDigit('c'), 12);
    EXPECT_EQ(vorn::Color::hexDigit('G'), 0);
}

TEST(Color, PackedValueRoundTrips) {
    for (std::uint32_t argb : {0x80FF0000u, 0xFFFFFFFFu, 0x00000000u, 0x12345678u, 0xFF00FF7Fu}) {
        EXPECT_EQ(vorn::Color(argb).toARGB(), argb) << std::hex << argb;
    }
    expectColor(vorn::Color(0x80FF0000u), 1, 0, 0, 128.0f / 255, "0x80FF0000");
}

TEST(Color, PackingSaturatesChannelsOutsideTheUnitRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // An overshooting ease must not wrap a bright channel round to black.
    EXPECT_EQ(vorn::Color(1.01f, 2.0f, -0.5f, 1.0f).toARGB(), 0xFFFFFF00u);
    EXPECT_EQ(vorn::Color(nan, 1e30f, -1e30f, 0.5f).toARGB(), 0x7F00FF00u);
}

TEST(Color, ProductClampsAndLerpDoesNot) {
    const vorn::Color product = vorn::Color() * vorn::Color(2.0f, 0.5f, -1.0f, 1.0f);
    expectColor(product, 1, 0.5f, 0, 1, "product");
    const vorn::Color black(0, 0, 0, 1);
    const vorn::Color white;
    expectColor(vorn::Color::lerp(black, white, 0.25f), 0.25f, 0.25f, 0.25f, 1, "t=0.25");
    expectColor(vorn::Color::lerp(black, white, 2.0f), 2, 2, 2, 1, "t=2");
    expectColor(vorn::Color::lerp(black, white, -1.0f), -1, -1, -1, 1, "t=-1");
}

TEST(Rect, IntersectionIsOfOpenInteriors) {
    struct Case {
        vorn::Rect a, b;
        bool intersects;
        vorn::Rect overlap;
    };
    const std::vector<Case> cases = {
        {{0, 0, 10, 10}, {10, 0, 5, 5}, false, {}},          // touching edges
        {{0, 0, 10, 10}, {0, 10, 5, 5}, false, {}},
        {{0, 0, 10, 10}, {5, 5, 10, 10}, true, {5, 5, 5, 5}},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, true, {2, 3, 4, 5}},    // inside
        {{0, 0, 10, 10}, {-5, 2, 30, 1}, true, {0, 2, 10, 1}}, // crossing
        {{0, 0, 10, 10}, {20, 20, 1, 1}, false, {}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a.intersects(c.b), c.intersects);
        EXPECT_EQ(c.b.intersects(c.a), c.intersects);
        EXPECT_EQ(c.a.intersection(c.b), c.overlap);
        EXPECT_EQ(c.b.intersection(c.a), c.overlap);
    }
}

TEST(Rect, ContainsPointOnAllFourEdges) {
    const vorn::Rect r(0, 0, 10, 10);
    for (glm::vec2 p : {glm::vec2(0, 0), glm::vec2(10, 10), glm::vec2(10, 0), glm::vec2(5, 10), glm::vec2(3, 4)}) {
        EXPECT_TRUE(r.containsPoint(p)) << p.x << "," << p.y;
    }
    for (glm::vec2 p : {glm::vec2(-0.01f, 5), glm::vec2(10.01f, 5), glm::vec2(5, -1), glm::vec2(5, 11)}) {
        EXPECT_FALSE(r.containsPoint(p)) << p.x << "," << p.y;
    }
}

TEST(Rect, ExtendToGivesTheBoundsOfAllPoints) {
    vorn::Rect r(glm::vec2(5, 5), glm::vec2(0, 0));
    r.extendTo({0, 0});
    r.extendTo({10, 2});
    expectRect(r, 0, 0, 10, 5, "extended");
    r.extendTo({4, 4});
    expectRect(r, 0, 0, 10, 5, "inside point");

    // Any order of the same points gives the same bounds.
    const std::vector<glm::vec2> points = {{3, -2}, {-4, 7}, {8, 1}, {0, 0}};
    for (size_t first = 0; first < points.size(); ++first) {
        vorn::Rect bounds(points[first], glm::vec2(0, 0));
        for (size_t i = 1; i < points.size(); ++i) bounds.extendTo(points[(first + i) % points.size()]);
        expectRect(bounds, -4, -2, 12, 9, "from point " + std::to_string(first));
    }
}

TEST(Rect, UniteGivesTheBoundingRectangle) {
    vorn::Rect r(0, 0, 10, 10);
    r.unite({5, -5, 20, 5});
    expectRect(r, 0, -5, 25, 15, "unite");
    r.unite({1, 1, 1, 1});
    expectRect(r, 0, -5, 25, 15, "contained");
}
