#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vorn {

// Easing curves map linear progress (0 at the start of an action, 1 at its
// end) to eased progress. They are meant for [0, 1] and extrapolate outside
// it; intermediate values are computed in double precision.
using EasingFunction = float (*)(float);

struct EasingCurve {
    std::string_view name;
    EasingFunction function;
};

float LinearInterpolation(float p);
float QuadraticEaseIn(float p);
float QuadraticEaseOut(float p);
float QuadraticEaseInOut(float p);
float CubicEaseIn(float p);
float CubicEaseOut(float p);
float CubicEaseInOut(float p);
float QuarticEaseIn(float p);
float QuarticEaseOut(float p);
float QuarticEaseInOut(float p);
float QuinticEaseIn(float p);
float QuinticEaseOut(float p);
float QuinticEaseInOut(float p);
float SineEaseIn(float p);
float SineEaseOut(float p);
float SineEaseInOut(float p);
float CircularEaseIn(float p);
float CircularEaseOut(float p);
float CircularEaseInOut(float p);
float ExponentialEaseIn(float p);
float ExponentialEaseOut(float p);
float ExponentialEaseInOut(float p);
float ElasticEaseIn(float p);
float ElasticEaseOut(float p);
float ElasticEaseInOut(float p);
float BackEaseIn(float p);
float BackEaseOut(float p);
float BackEaseInOut(float p);
float BounceEaseIn(float p);
float BounceEaseOut(float p);
float BounceEaseInOut(float p);

// Every named curve, linear first; the table the name look-up uses.
std::span<const EasingCurve> easingCurves();

// The curve of that name (exact, case-sensitive); any other name, the empty
// one included, eases linearly. Never an empty function.
std::function<float(float)> easingByName(const std::string& name);

} // namespace vorn
