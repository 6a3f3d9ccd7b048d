#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// RGBA of four floats, nominally in [0, 1]; construction does not clamp.
class Color {
public:
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;

    // Opaque white.
    Color() = default;
    Color(const Color&) = default;
    Color& operator=(const Color&) = default;
    Color(float red, float green, float blue, float alpha) : r(red), g(green), b(blue), a(alpha) {}
    // From a packed 0xAARRGGBB value.
    explicit Color(std::uint32_t argb);
    // From hex text without "#": RRGGBB or RRGGBBAA (red first, alpha
    // last). Five characters or fewer give white, a null pointer gives
    // transparent black, and characters that are not hex digits count as 0.
    Color(const char* hex);
    Color(std::string hex);

    // Per channel from + t * (to - from); neither t nor the result is clamped.
    static Color lerp(const Color& from, const Color& to, float t);
    // Value of one hex digit; anything that is not a hex digit gives 0.
    static int hexDigit(char c);

    // Per-channel product, clamped to [0, 1].
    Color operator*(const Color& other) const;
    bool operator==(const Color& other) const = default;

    // Packed 0xAARRGGBB; channels outside [0, 1] saturate at 0 or 255.
    std::uint32_t toARGB() const;
};

} // namespace vorn
