#include "core/Color.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vorn {

namespace {

float hexPair(const char* text) {
    return static_cast<float>(Color::hexDigit(text[0]) * 16 + Color::hexDigit(text[1])) / 255.0f;
}

// Saturating rather than wrapping: an eased colour that overshoots 1 by a
// hair must stay bright, not wrap round to black.
std::uint32_t channelByte(float channel) {
    if (!(channel > 0.0f)) return 0; // NaN too
    if (channel >= 1.0f) return 255;
    return static_cast<std::uint32_t>(channel * 255.0f);
}

} // namespace

Color::Color(std::uint32_t argb)
    : r(static_cast<float>((argb >> 16) & 0xFF) / 255.0f), g(static_cast<float>((argb >> 8) & 0xFF) / 255.0f),
      b(static_cast<float>(argb & 0xFF) / 255.0f), a(static_cast<float>((argb >> 24) & 0xFF) / 255.0f) {}

Color::Color(const char* hex) {
    if (hex == nullptr) {
        r = g = b = a = 0.0f;
        return;
    }
    const size_t length = std::strlen(hex);
    if (length <= 5) return;
    r = hexPair(hex);
    g = hexPair(hex + 2);
    b = hexPair(hex + 4);
    a = length >= 8 ? hexPair(hex + 6) : 1.0f;
}

Color::Color(std::string hex) : Color(hex.c_str()) {}

int Color::hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

Color Color::lerp(const Color& from, const Color& to, float t) {
    return Color(from.r + t * (to.r - from.r), from.g + t * (to.g - from.g), from.b + t * (to.b - from.b),
                 from.a + t * (to.a - from.a));
}

Color Color::operator*(const Color& other) const {
    auto clamp01 = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return Color(clamp01(r * other.r), clamp01(g * other.g), clamp01(b * other.b), clamp01(a * other.a));
}

std::uint32_t Color::toARGB() const {
    return channelByte(a) << 24 | channelByte(r) << 16 | channelByte(g) << 8 | channelByte(b);
}

} // namespace vorn
