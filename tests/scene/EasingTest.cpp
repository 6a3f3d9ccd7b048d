// Every easing curve against its formula, written out here independently
// of the implementation, at the ends, the quarters and the middle.
#include "scene/Easing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double pi = 3.141592653589793;
constexpr double halfPi = 1.5707963267948966;
constexpr double w = 20.420352248333657;

double bounceOut(double p) {
    if (p < 4.0 / 11.0) return 121.0 * p * p / 16.0;
    if (p < 8.0 / 11.0) return 363.0 / 40.0 * p * p - 99.0 / 10.0 * p + 17.0 / 5.0;
    if (p < 9.0 / 10.0) return 12.066481994459833 * p * p - 19.63545706371191 * p + 8.898060941828255;
    return 54.0 / 5.0 * p * p - 513.0 / 25.0 * p + 268.0 / 25.0;
}

struct Formula {
    std::string name;
    std::function<double(double)> f;
};

const std::vector<Formula>& formulas() {
    static const std::vector<Formula> all = {
        {"LinearInterpolation", [](double p) { return p; }},
        {"QuadraticEaseIn", [](double p) { return p * p; }},
        {"QuadraticEaseOut", [](double p) { return -(p * (p - 2)); }},
        {"QuadraticEaseInOut", [](double p) { return p < 0.5 ? 2 * p * p : -2 * p * p + 4 * p - 1; }},
        {"CubicEaseIn", [](double p) { return p * p * p; }},
        {"CubicEaseOut", [](double p) { double f = p - 1; return f * f * f + 1; }},
        {"CubicEaseInOut", [](double p) { double f = 2 * p - 2; return p < 0.5 ? 4 * p * p * p : 0.5 * f * f * f + 1; }},
        {"QuarticEaseIn", [](double p) { return p * p * p * p; }},
        {"QuarticEaseOut", [](double p) { double f = p - 1; return f * f * f * (1 - p) + 1; }},
        {"QuarticEaseInOut", [](double p) { double f = p - 1; return p < 0.5 ? 8 * p * p * p * p : -8 * f * f * f * f + 1; }},
        {"QuinticEaseIn", [](double p) { return p * p * p * p * p; }},
        {"QuinticEaseOut", [](double p) { double f = p - 1; return f * f * f * f * f + 1; }},
        {"QuinticEaseInOut",
         [](double p) { double f = 2 * p - 2; return p < 0.5 ? 16 * p * p * p * p * p : 0.5 * f * f * f * f * f + 1; }},
        {"SineEaseIn", [](double p) { return std::sin((p - 1) * halfPi) + 1; }},
        {"SineEaseOut", [](double p) { return std::sin(p * halfPi); }},
        {"SineEaseInOut", [](double p) { return 0.5 * (1 - std::cos(p * pi)); }},
        {"CircularEaseIn", [](double p) { return 1 - std::sqrt(1 - p * p); }},
        {"CircularEaseOut", [](double p) { return std::sqrt((2 - p) * p); }},
        {"CircularEaseInOut",
         [](double p) {
             return p < 0.5 ? 0.5 * (1 - std::sqrt(1 - 4 * p * p)) : 0.5 * (std::sqrt(-(2 * p - 3) * (2 * p - 1)) + 1);
         }},
        {"ExponentialEaseIn", [](double p) { return p == 0 ? p : std::pow(2, 10 * (p - 1)); }},
        {"ExponentialEaseOut", [](double p) { return p == 1 ? p : 1 - std::pow(2, -10 * p); }},
        {"ExponentialEaseInOut",
         [](double p) {
             if (p == 0 || p == 1) return p;
             return p < 0.5 ? 0.5 * std::pow(2, 20 * p - 10) : -0.5 * std::pow(2, -20 * p + 10) + 1;
         }},
        {"ElasticEaseIn", [](double p) { return std::sin(w * p) * std::pow(2, 10 * (p - 1)); }},
        {"ElasticEaseOut", [](double p) { return std::sin(-w * (p + 1)) * std::pow(2, -10 * p) + 1; }},
        {"ElasticEaseInOut",
         [](double p) {
             return p < 0.5 ? 0.5 * std::sin(w * 2 * p) * std::pow(2, 10 * (2 * p - 1))
                            : 0.5 * (std::sin(-w * ((2 * p - 1) + 1)) * std::pow(2, -10 * (2 * p - 1)) + 2);
         }},
        {"BackEaseIn", [](double p) { return p * p * p - p * std::sin(p * pi); }},
        {"BackEaseOut", [](double p) { double f = 1 - p; return 1 - (f * f * f - f * std::sin(f * pi)); }},
        {"BackEaseInOut",
         [](double p) {
             if (p < 0.5) {
                 double f = 2 * p;
                 return 0.5 * (f * f * f - f * std::sin(f * pi));
             }
             double f = 1 - (2 * p - 1);
             return 0.5 * (1 - (f * f * f - f * std::sin(f * pi))) + 0.5;
         }},
        {"BounceEaseIn", [](double p) { return 1 - bounceOut(1 - p); }},
        {"BounceEaseOut", bounceOut},
        {"BounceEaseInOut", [](double p) { return p < 0.5 ? 0.5 * (1 - bounceOut(1 - 2 * p)) : 0.5 * bounceOut(2 * p - 1) + 0.5; }},
    };
    return all;
}

class EasingCurve : public ::testing::TestWithParam<Formula> {};

TEST_P(EasingCurve, MatchesItsFormulaAtTheEndsQuartersAndMiddle) {
    const Formula& formula = GetParam();
    const auto curve = vorn::easingByName(formula.name);
    for (const float p : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        EXPECT_NEAR(curve(p), formula.f(p), 1e-6) << formula.name << " at " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(AllCurves, EasingCurve, ::testing::ValuesIn(formulas()),
                         [](const ::testing::TestParamInfo<Formula>& param) { return param.param.name; });

TEST(Easing, TheTableHoldsTheThirtyOneNamesOnce) {
    std::set<std::string> names;
    for (const vorn::EasingCurve& curve : vorn::easingCurves()) names.insert(std::string(curve.name));
    EXPECT_EQ(names.size(), 31u);
    EXPECT_EQ(vorn::easingCurves().size(), 31u);
    for (const Formula& formula : formulas()) EXPECT_TRUE(names.contains(formula.name)) << formula.name;
}

TEST(Easing, UnknownNamesEaseLinearly) {
    for (const char* name : {"", "quadraticEaseIn", "QuadraticEaseIn ", "Nonsense"}) {
        const auto curve = vorn::easingByName(name);
        ASSERT_TRUE(curve) << name;
        for (const float p : {-0.5f, 0.0f, 0.3f, 1.0f, 1.7f}) EXPECT_EQ(curve(p), p) << name;
    }
}

TEST(Easing, OvershootingCurvesLeaveTheUnitRange) {
    EXPECT_NEAR(vorn::BackEaseIn(0.53f), -0.38f, 0.01f);
    EXPECT_NEAR(vorn::BackEaseOut(0.47f), 1.38f, 0.01f);
    EXPECT_EQ(vorn::ExponentialEaseIn(0.0f), 0.0f);
    EXPECT_EQ(vorn::ExponentialEaseOut(1.0f), 1.0f);
    for (const double p : {4.0 / 11.0, 8.0 / 11.0, 0.9, 1.0}) {
        EXPECT_NEAR(vorn::BounceEaseOut(static_cast<float>(p)), 1.0f, 1e-5) << p;
    }
}

} // namespace
