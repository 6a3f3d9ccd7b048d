#include "core/Rect.h"

#include <algorithm>

namespace vorn {

bool Rect::intersects(const Rect& other) const {
    return other.x + other.w > x && other.x < x + w && other.y + other.h > y && other.y < y + h;
}

bool Rect::containsPoint(const glm::vec2& p) const {
    return x <= p.x && p.x <= x + w && y <= p.y && p.y <= y + h;
}

void Rect::extendTo(const glm::vec2& p) {
    if (p.x < x) {
        w += x - p.x;
        x = p.x;
    } else if (p.x > x + w) {
        w = p.x - x;
    }
    if (p.y < y) {
        h += y - p.y;
        y = p.y;
    } else if (p.y > y + h) {
        h = p.y - y;
    }
}

void Rect::unite(const Rect& other) {
    const float right = std::max(x + w, other.x + other.w);
    const float bottom = std::max(y + h, other.y + other.h);
    x = std::min(x, other.x);
    y = std::min(y, other.y);
    w = right - x;
    h = bottom - y;
}

Rect Rect::intersection(const Rect& other) const {
    if (!intersects(other)) return Rect();
    const float left = std::max(x, other.x);
    const float top = std::max(y, other.y);
    return Rect(left, top, std::min(x + w, other.x + other.w) - left, std::min(y + h, other.y + other.h) - top);
}

} // namespace vorn
