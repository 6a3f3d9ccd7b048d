#pragma once

#include <glm/vec2.hpp>

namespace vorn {

// Axis-aligned rectangle: (x, y) is the corner with the smallest
// coordinates (top left in design space), w and h the extent.
class Rect {
public:
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;

    Rect() = default;
    Rect(const glm::vec2& origin, const glm::vec2& size) : x(origin.x), y(origin.y), w(size.x), h(size.y) {}
    Rect(float left, float top, float width, float height) : x(left), y(top), w(width), h(height) {}

    // Open interiors overlap: rectangles that only touch do not intersect.
    bool intersects(const Rect& other) const;
    // Inclusive on all four edges.
    bool containsPoint(const glm::vec2& p) const;
    // Grows to include p; edges that p does not pass stay put.
    void extendTo(const glm::vec2& p);
    // Becomes the bounding rectangle of both.
    void unite(const Rect& other);
    // The overlap, or all zero when the two do not intersect.
    Rect intersection(const Rect& other) const;

    bool operator==(const Rect& other) const = default;
};

} // namespace vorn
