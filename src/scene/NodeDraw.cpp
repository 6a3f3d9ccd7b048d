#include "scene/Node.h"

#include "core/Log.h"
#include "core/Platform.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "render/Texture.h"
#include "scene/ChildWalk.h"

#include <algorithm>

namespace vorn {

void Node::visit() {
    // The caller keeps this node alive: the application its scene, a parent
    // its children (through the walk's copies).
    if (!visible_) return;
    if (!setUp_) setup();
    if (transformDirty_) updateTransform();
    Render* render = Render::instance();
    if (!render) return;

    bool removal = false;
    if (clipping_) {
        visitClipped(*render, removal);
    } else {
        render->pushMatrix();
        render->multMatrix(transform_);
        render->pushColor();
        render->multiplyColor(color_);
        draw();
        visitChildren(removal);
        drawAfterChildren();
    }
    render->popColor();
    render->popMatrix();
    if (removal) eraseRemovableChildren();
}

void Node::visitChildren(bool& removal) {
    ChildWalk walk(*this);
    for (std::size_t i = 0; i < walk.size(); ++i) {
        Node* child = walk.at(i);
        if (!child) continue;
        child->visit();
        if (child->autoRemove_ && child->canBeRemoved()) removal = true;
    }
}

void Node::visitClipped(Render& render, bool& removal) {
    const bool large = Platform::instance()->isLargeScreen();
    const float factor = large ? 2.0f : 1.0f;
    const int width = static_cast<int>(size_.x * factor);
    const int height = static_cast<int>(size_.y * factor);
    if (width > 0 && height > 0) {
        // Made again when the pixel size changes, so content is cut at the
        // box the node has now.
        const bool sizeChanged = clipTexture_ && (clipTexture_->getSize() != glm::vec2(width, height));
        if (!clipTexture_ || sizeChanged) {
            log("Node::visit with clipping createTexture of size %f %f (node name: %s)", size_.x * factor,
                size_.y * factor, name_.c_str());
            clipTexture_ = render.createRenderTexture(width, height);
            clipImage_ = clipTexture_ ? std::make_shared<ImageData>(clipTexture_, 1.0f / factor) : nullptr;
        }
    }
    if (width > 0 && height > 0 && clipTexture_) {
        clipTexture_->render(
            [&] {
                // The ancestors' colour and this node's own reach the content
                // once, when the finished texture is drawn below.
                render.pushColor();
                render.setColor(Color());
                render.clear(Color(0.0f, 0.0f, 0.0f, 0.0f));
                // The content matrix moves what is drawn inside the box,
                // not the box that cuts it (a scrolled drag box).
                render.pushMatrix();
                if (hasExtraTransform_) render.multMatrix(extraTransform_);
                draw();
                visitChildren(removal);
                drawAfterChildren();
                render.popMatrix();
                render.popColor();
            },
            factor);
    }
    render.pushMatrix();
    render.multMatrix(hasExtraTransform_ ? transform_ * inverseExtraTransform_ : transform_);
    render.pushColor();
    render.multiplyColor(color_);
    // A box that is empty in pixels shows nothing.
    if (width > 0 && height > 0 && clipImage_) clipImage_->draw();
}

void Node::eraseRemovableChildren() {
    Children erased;
    auto kept = children_.begin();
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        Node* child = it->get();
        if (child->autoRemove_ && child->canBeRemoved()) {
            child->parent_ = nullptr;
            // No input may reach a node that has left the tree.
            releaseHovered(child);
            erased.push_back(std::move(*it));
        } else {
            if (kept != it) *kept = std::move(*it);
            ++kept;
        }
    }
    children_.erase(kept, children_.end());
}

} // namespace vorn
