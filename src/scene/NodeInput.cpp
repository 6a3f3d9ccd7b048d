#include "scene/Node.h"

#include "core/EventDispatcher.h"
#include "core/InputEvents.h"

namespace vorn {

bool Node::hitTest(const glm::vec2& point, glm::vec4& local) const {
    local = inverseTransform_ * glm::vec4(point.x, point.y, 0.0f, 1.0f);
    // Written so that a NaN coordinate is outside.
    return local.x >= 0.0f && local.x <= size_.x && local.y >= 0.0f && local.y <= size_.y;
}

bool Node::containsPoint(const glm::vec2& point) const {
    glm::vec4 local;
    return hitTest(point, local);
}

glm::vec2 Node::childPoint(const glm::vec4& local) const {
    if (!hasExtraTransform_) return {local.x, local.y};
    const glm::vec4 p = inverseExtraTransform_ * local;
    return {p.x, p.y};
}

std::shared_ptr<Node> Node::childAt(const glm::vec2& point) const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        const Node& child = **it;
        if (!child.enabled_ || !child.visible_) continue;
        if (child.containsPoint(point)) return *it;
    }
    return nullptr;
}

bool Node::mouseDown(const glm::vec2& point, eButtonName button) {
    glm::vec4 local;
    if (!hitTest(point, local)) return false;
    EventDispatcher::instance()->post(new MouseDownEvent(this, {local.x, local.y}));
    const glm::vec2 inner = childPoint(local);
    // Held for the call: a handler may take the child out of the tree.
    if (const std::shared_ptr<Node> child = childAt(inner)) child->mouseDown(inner, button);
    return true;
}

bool Node::mouseUp(const glm::vec2& point, eButtonName button) {
    glm::vec4 local;
    if (!hitTest(point, local)) return false;
    EventDispatcher::instance()->post(new MouseUpEvent(this, {local.x, local.y}));
    const glm::vec2 inner = childPoint(local);
    if (const std::shared_ptr<Node> child = childAt(inner)) child->mouseUp(inner, button);
    return true;
}

bool Node::mouseMove(const glm::vec2& point, eButtonName button) {
    glm::vec4 local;
    const bool inside = hitTest(point, local);
    EventDispatcher::instance()->post(new MouseMoveEvent(this, {local.x, local.y}));
    const glm::vec2 inner = childPoint(local);
    if (const std::shared_ptr<Node> child = childAt(inner)) {
        if (child != hovered_) {
            if (const std::shared_ptr<Node> left = std::move(hovered_)) {
                hovered_.reset();
                left->mouseLeave();
            }
            hovered_ = child;
            child->mouseEnter();
        }
        child->mouseMove(inner, button);
    } else if (const std::shared_ptr<Node> left = std::move(hovered_)) {
        hovered_.reset();
        left->mouseLeave();
    }
    return inside;
}

void Node::mouseEnter() { EventDispatcher::instance()->post(new MouseEnterEvent(this)); }

void Node::mouseLeave() {
    EventDispatcher::instance()->post(new MouseLeaveEvent(this));
    if (const std::shared_ptr<Node> left = std::move(hovered_)) {
        hovered_.reset();
        left->mouseLeave();
    }
}

bool Node::scroll(const glm::vec2& delta) {
    EventDispatcher::instance()->post(new ScrollEvent(this, delta));
    if (const std::shared_ptr<Node> child = hovered_) child->scroll(delta);
    return false;
}

template <typename Offer>
bool Node::offerToChildren(const glm::vec2& point, Offer offer) {
    glm::vec4 local;
    if (!hitTest(point, local)) return false;
    const glm::vec2 inner = childPoint(local);
    // Over a copy: a target that accepts may move nodes around.
    const Children candidates = children_;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        Node& child = **it;
        if (child.parent_ != this || !child.enabled_ || !child.visible_ || !child.containsPoint(inner)) continue;
        if (offer(child, inner)) return true;
    }
    return false;
}

bool Node::onDrop(const std::shared_ptr<Node>& dragged, const glm::vec2& point) {
    return offerToChildren(point, [&dragged](Node& child, const glm::vec2& p) { return child.onDrop(dragged, p); });
}

bool Node::onDragOver(const std::shared_ptr<Node>& dragged, const glm::vec2& point) {
    return offerToChildren(point,
                           [&dragged](Node& child, const glm::vec2& p) { return child.onDragOver(dragged, p); });
}

} // namespace vorn
