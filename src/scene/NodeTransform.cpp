#include "scene/Node.h"

#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>

#include <cmath>
#include <limits>

namespace vorn {

void Node::updateTransform() {
    if (anchorCentered_) anchor_ = halfSize();
    // position x rotation x scale x (-anchor), written out: a node that is
    // neither turned nor scaled gets an exact translation, which keeps the
    // renderer on its translation-only path.
    float c = 1.0f;
    float s = 0.0f;
    if (angle_ != 0.0f && angle_ != 360.0f) {
        const float radians = angle_ * 0.017453292f;
        c = std::cos(radians);
        s = std::sin(radians);
    }
    const float sx = scale_.x;
    const float sy = scale_.y;
    glm::mat4 m(1.0f);
    m[0][0] = c * sx;
    m[0][1] = s * sx;
    m[1][0] = -s * sy;
    m[1][1] = c * sy;
    m[3][0] = position_.x - (m[0][0] * anchor_.x + m[1][0] * anchor_.y);
    m[3][1] = position_.y - (m[0][1] * anchor_.x + m[1][1] * anchor_.y);
    transformDirty_ = false;

    // The inverse: anchor + scale^-1 x rotation^-1 x (p - position). A
    // scale of 0 has none; every point then maps to NaN, which no box holds.
    glm::mat4 inv(1.0f);
    if (sx != 0.0f && sy != 0.0f) {
        const float ix = 1.0f / sx;
        const float iy = 1.0f / sy;
        inv[0][0] = c * ix;
        inv[0][1] = -s * iy;
        inv[1][0] = s * ix;
        inv[1][1] = c * iy;
        inv[3][0] = anchor_.x - (inv[0][0] * position_.x + inv[1][0] * position_.y);
        inv[3][1] = anchor_.y - (inv[0][1] * position_.x + inv[1][1] * position_.y);
    } else {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        inv[0][0] = inv[0][1] = inv[1][0] = inv[1][1] = inv[3][0] = inv[3][1] = nan;
    }
    inverseTransform_ = inv;

    if (hasExtraTransform_) {
        transform_ = m * extraTransform_;
        inverseExtraTransform_ = glm::inverse(extraTransform_);
    } else {
        transform_ = m;
    }
}

const glm::mat4& Node::getTransform() {
    if (transformDirty_) updateTransform();
    return transform_;
}

glm::mat4 Node::getWorldTransform() {
    if (transformDirty_) updateTransform();
    glm::mat4 world(1.0f);
    for (Node* ancestor : getAncestors()) world = world * ancestor->getTransform();
    return world * transform_;
}

glm::vec2 Node::localToWorld(const glm::vec2& point) {
    const glm::vec4 p = getWorldTransform() * glm::vec4(point.x, point.y, 0.0f, 1.0f);
    return {p.x, p.y};
}

glm::vec3 Node::getWorldPosition() {
    if (!parent_) return {position_.x, position_.y, 0.0f};
    const glm::vec4 p = parent_->getWorldTransform() * glm::vec4(position_.x, position_.y, 0.0f, 1.0f);
    return {p.x, p.y, p.z};
}

glm::vec3 Node::getWorldCenter() {
    const glm::vec3 p = getWorldPosition();
    return {p.x - anchor_.x + size_.x * 0.5f, p.y - anchor_.y + size_.y * 0.5f, p.z};
}

void Node::layoutInParent() { layoutInParent(size_); }

void Node::layoutInParent(const glm::vec2& size) {
    if (!parent_) return;
    const float W = parent_->size_.x;
    const float H = parent_->size_.y;
    if (fillParent_) {
        size_ = {W, H};
        sizeSet_ = true;
        onSizeChanged();
        transformDirty_ = true;
        position_ = {0.0f, 0.0f};
        anchor_ = {0.0f, 0.0f};
        anchorCentered_ = false;
        return;
    }
    if (centerParent_) {
        transformDirty_ = true;
        position_ = {W / 2.0f, H / 2.0f};
        anchorCentered_ = false;
        anchor_ = size * 0.5f;
        return;
    }
    if (fitParent_) {
        transformDirty_ = true;
        position_ = {W / 2.0f, H / 2.0f};
        const float a = size.x / size.y;
        const float b = W / H;
        // A box or parent without area has no aspect to keep.
        const auto usable = [](float ratio) { return std::isfinite(ratio) && ratio > 0.0f; };
        if (!usable(a) || !usable(b)) {
            anchor_ = halfSize();
            anchorCentered_ = false;
            return;
        }
        glm::vec2 fitted{W, H};
        if (a > b) fitted = {H * a, H};
        else if (a < b) fitted = {W, W / a};
        size_ = fitted;
        sizeSet_ = true;
        onSizeChanged();
        anchor_ = halfSize();
        anchorCentered_ = false;
        return;
    }
    switch (parentAlign_) {
    case 1: position_.x = anchor_.x; transformDirty_ = true; break;
    case 2: position_.x = anchor_.x + (W - size.x); transformDirty_ = true; break;
    case 3: position_.x = anchor_.x + (W - size.x) / 2.0f; transformDirty_ = true; break;
    default: break;
    }
    switch (parentVAlign_) {
    case 1: position_.y = anchor_.y; transformDirty_ = true; break;
    case 2: position_.y = anchor_.y + (H - size.y); transformDirty_ = true; break;
    case 3: position_.y = anchor_.y + (H - size.y) / 2.0f; transformDirty_ = true; break;
    default: break;
    }
}

} // namespace vorn
