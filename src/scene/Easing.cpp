#include "scene/Easing.h"

#include <array>
#include <cmath>

namespace vorn {

namespace {

constexpr double halfPi = 1.5707963267948966;
constexpr double pi = 3.141592653589793;
constexpr double elasticFrequency = 20.420352248333657; // 13 pi / 2

using Curve = double (*)(double);

double linear(double p) { return p; }
double quadraticIn(double p) { return p * p; }
double quadraticOut(double p) { return -(p * (p - 2.0)); }
double cubicIn(double p) { return p * p * p; }
double cubicOut(double p) {
    const double f = p - 1.0;
    return f * f * f + 1.0;
}
double quarticIn(double p) { return p * p * p * p; }
double quarticOut(double p) {
    const double f = p - 1.0;
    return f * f * f * (1.0 - p) + 1.0;
}
double quinticIn(double p) { return p * p * p * p * p; }
double quinticOut(double p) {
    const double f = p - 1.0;
    return f * f * f * f * f + 1.0;
}
double sineIn(double p) { return std::sin((p - 1.0) * halfPi) + 1.0; }
double sineOut(double p) { return std::sin(p * halfPi); }
double circularIn(double p) { return 1.0 - std::sqrt(1.0 - p * p); }
double circularOut(double p) { return std::sqrt((2.0 - p) * p); }
double exponentialIn(double p) { return p == 0.0 ? p : std::pow(2.0, 10.0 * (p - 1.0)); }
double exponentialOut(double p) { return p == 1.0 ? p : 1.0 - std::pow(2.0, -10.0 * p); }
double elasticIn(double p) { return std::sin(elasticFrequency * p) * std::pow(2.0, 10.0 * (p - 1.0)); }
double elasticOut(double p) { return std::sin(-elasticFrequency * (p + 1.0)) * std::pow(2.0, -10.0 * p) + 1.0; }
double backIn(double p) { return p * p * p - p * std::sin(p * pi); }
double backOut(double p) {
    const double f = 1.0 - p;
    return 1.0 - (f * f * f - f * std::sin(f * pi));
}
double bounceOut(double p) {
    if (p < 4.0 / 11.0) return 121.0 * p * p / 16.0;
    if (p < 8.0 / 11.0) return (363.0 / 40.0) * p * p - (99.0 / 10.0) * p + 17.0 / 5.0;
    if (p < 9.0 / 10.0) return 12.066481994459833 * p * p - 19.63545706371191 * p + 8.898060941828255;
    return (54.0 / 5.0) * p * p - (513.0 / 25.0) * p + 268.0 / 25.0;
}
double bounceIn(double p) { return 1.0 - bounceOut(1.0 - p); }

// The first half is the in-curve squeezed into [0, 0.5], the second the
// out-curve into [0.5, 1]; 0.5 itself takes the second.
template <Curve In, Curve Out>
double inOut(double p) {
    return p < 0.5 ? 0.5 * In(2.0 * p) : 0.5 * Out(2.0 * p - 1.0) + 0.5;
}

template <Curve C>
float single(float p) {
    return static_cast<float>(C(static_cast<double>(p)));
}

} // namespace

float LinearInterpolation(float p) { return single<linear>(p); }
float QuadraticEaseIn(float p) { return single<quadraticIn>(p); }
float QuadraticEaseOut(float p) { return single<quadraticOut>(p); }
float QuadraticEaseInOut(float p) { return single<inOut<quadraticIn, quadraticOut>>(p); }
float CubicEaseIn(float p) { return single<cubicIn>(p); }
float CubicEaseOut(float p) { return single<cubicOut>(p); }
float CubicEaseInOut(float p) { return single<inOut<cubicIn, cubicOut>>(p); }
float QuarticEaseIn(float p) { return single<quarticIn>(p); }
float QuarticEaseOut(float p) { return single<quarticOut>(p); }
float QuarticEaseInOut(float p) { return single<inOut<quarticIn, quarticOut>>(p); }
float QuinticEaseIn(float p) { return single<quinticIn>(p); }
float QuinticEaseOut(float p) { return single<quinticOut>(p); }
float QuinticEaseInOut(float p) { return single<inOut<quinticIn, quinticOut>>(p); }
float SineEaseIn(float p) { return single<sineIn>(p); }
float SineEaseOut(float p) { return single<sineOut>(p); }
float SineEaseInOut(float p) { return single<inOut<sineIn, sineOut>>(p); }
float CircularEaseIn(float p) { return single<circularIn>(p); }
float CircularEaseOut(float p) { return single<circularOut>(p); }
float CircularEaseInOut(float p) { return single<inOut<circularIn, circularOut>>(p); }
float ExponentialEaseIn(float p) { return single<exponentialIn>(p); }
float ExponentialEaseOut(float p) { return single<exponentialOut>(p); }
float ExponentialEaseInOut(float p) { return single<inOut<exponentialIn, exponentialOut>>(p); }
float ElasticEaseIn(float p) { return single<elasticIn>(p); }
float ElasticEaseOut(float p) { return single<elasticOut>(p); }
float ElasticEaseInOut(float p) { return single<inOut<elasticIn, elasticOut>>(p); }
float BackEaseIn(float p) { return single<backIn>(p); }
float BackEaseOut(float p) { return single<backOut>(p); }
float BackEaseInOut(float p) { return single<inOut<backIn, backOut>>(p); }
float BounceEaseIn(float p) { return single<bounceIn>(p); }
float BounceEaseOut(float p) { return single<bounceOut>(p); }
float BounceEaseInOut(float p) { return single<inOut<bounceIn, bounceOut>>(p); }

namespace {

constexpr std::array<EasingCurve, 31> curves{{
    {"LinearInterpolation", LinearInterpolation},
    {"QuadraticEaseIn", QuadraticEaseIn},
    {"QuadraticEaseOut", QuadraticEaseOut},
    {"QuadraticEaseInOut", QuadraticEaseInOut},
    {"CubicEaseIn", CubicEaseIn},
    {"CubicEaseOut", CubicEaseOut},
    {"CubicEaseInOut", CubicEaseInOut},
    {"QuarticEaseIn", QuarticEaseIn},
    {"QuarticEaseOut", QuarticEaseOut},
    {"QuarticEaseInOut", QuarticEaseInOut},
    {"QuinticEaseIn", QuinticEaseIn},
    {"QuinticEaseOut", QuinticEaseOut},
    {"QuinticEaseInOut", QuinticEaseInOut},
    {"SineEaseIn", SineEaseIn},
    {"SineEaseOut", SineEaseOut},
    {"SineEaseInOut", SineEaseInOut},
    {"CircularEaseIn", CircularEaseIn},
    {"CircularEaseOut", CircularEaseOut},
    {"CircularEaseInOut", CircularEaseInOut},
    {"ExponentialEaseIn", ExponentialEaseIn},
    {"ExponentialEaseOut", ExponentialEaseOut},
    {"ExponentialEaseInOut", ExponentialEaseInOut},
    {"ElasticEaseIn", ElasticEaseIn},
    {"ElasticEaseOut", ElasticEaseOut},
    {"ElasticEaseInOut", ElasticEaseInOut},
    {"BackEaseIn", BackEaseIn},
    {"BackEaseOut", BackEaseOut},
    {"BackEaseInOut", BackEaseInOut},
    {"BounceEaseIn", BounceEaseIn},
    {"BounceEaseOut", BounceEaseOut},
    {"BounceEaseInOut", BounceEaseInOut},
}};

} // namespace

std::span<const EasingCurve> easingCurves() { return curves; }

std::function<float(float)> easingByName(const std::string& name) {
    for (const EasingCurve& curve : curves) {
        if (curve.name == name) return curve.function;
    }
    return LinearInterpolation;
}

} // namespace vorn
