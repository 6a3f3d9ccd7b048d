#include "scene/Image.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "render/Render.h"
#include "render/Texture.h"

#include <glm/common.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>
#include "scene/LoadContext.h"

namespace vorn {

namespace {

std::shared_ptr<ImageData> pictureNamed(const std::string& file) {
    auto frame = std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(file));
    if (!frame) log("Image: %s is not a picture, the image stays empty", file.c_str());
    return frame;
}

} // namespace

Image::Image() { setEnabled(false); }

Image::Image(const std::string& file) : Image(pictureNamed(file)) {}

Image::Image(std::shared_ptr<ImageData> frame) : sourceData_(std::move(frame)) {
    setEnabled(false);
    if (!sourceData_) return;
    setSize({sourceData_->getWidth() * sourceData_->getScale(), sourceData_->getHeight() * sourceData_->getScale()});
}

Image::Image(const glm::vec2& size, const Color& color) : sourceData_(std::make_shared<ImageData>(size, Color())) {
    setEnabled(false);
    setSize(size);
    // The rectangle itself is white: a coloured one under a coloured node
    // would show the colour twice (alpha 0.5 as 0.25).
    color_ = color;
}

Image::~Image() = default;

void Image::setProperties(const Attributes& attributes) {
    // "w" and "h" are the node's: its setSize already rebuilds the frame.
    Node::setProperties(attributes);
    std::string file;
    bool whenShown = false;
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "load_when_shown") {
            whenShown = value.asBool();
        } else if (key == "filename") {
            file = value.toString();
        } else if (key == "flip_x") {
            flipX_ = value.asBool();
        } else if (key == "flip_y") {
            flipY_ = value.asBool();
        } else if (key == "repeat_x") {
            repeatX_ = value.asBool() ? 1 : 0;
        } else if (key == "repeat_y") {
            repeatY_ = value.asBool() ? 1 : 0;
        }
    });
    if (file.empty()) return;
    if (whenShown && sizeSet_) {
        shownFile_ = file;
        shownFailed_ = false;
        sourceData_.reset();
        data_ = ImageData();
        return;
    }
    if (whenShown) log("Image: %s has no size, so it is loaded at once", file.c_str());
    // The resource manager has logged a file it could not read.
    if (const auto frame = std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(file))) {
        setImageData(*frame);
    }
}

void Image::setImageData(const std::shared_ptr<ImageData>& frame) {
    if (!frame) return;
    sourceData_ = frame;
    rebuild();
}

void Image::setImageData(const ImageData& frame) {
    sourceData_ = std::make_shared<ImageData>(frame);
    rebuild();
}

void Image::setFlip(bool x, bool y) {
    flipX_ = x;
    flipY_ = y;
}

void Image::setRepeat(bool x, bool y) {
    repeatX_ = x ? 1 : 0;
    repeatY_ = y ? 1 : 0;
}

void Image::buildFromSource() {
    const ImageData& source = *sourceData_;
    data_ = (flipX_ || flipY_) ? ImageData(source, flipX_, flipY_) : source;
    data_.setSize(size_);
    if (repeatX_ == 1 || repeatY_ == 1) {
        const float tileWidth = repeatX_ == 1 ? source.getWidth() * source.getScale() : size_.x;
        const float tileHeight = repeatY_ == 1 ? source.getHeight() * source.getScale() : size_.y;
        data_ = ImageData(data_, tileWidth, tileHeight);
    }
}

void Image::rebuild() {
    if (!sourceData_) return;
    if (sizeSet_) {
        buildFromSource();
    } else {
        const ImageData& source = *sourceData_;
        data_ = (flipX_ || flipY_) ? ImageData(source, flipX_, flipY_) : source;
        size_ = {source.getWidth() * source.getScale(), source.getHeight() * source.getScale()};
        // A centred anchor follows the new size at the next transform.
        transformDirty_ = true;
    }
    setUp_ = false;
}

void Image::onSetup() {
    if (!sourceData_) return;
    sourceData_->load();
    rebuild();
}

void Image::onSizeChanged() {
    if (sourceData_ && !sourceData_->getVertexData()->vertices.empty()) {
        buildFromSource();
        return;
    }
    // White, so that the node colour shows once.
    data_ = ImageData(size_, Color());
}

bool Image::followScreen(Render& render) {
    const glm::mat4 toClip = render.getProjection() * render.getMatrix();
    glm::vec2 low(1e30f);
    glm::vec2 high(-1e30f);
    for (const glm::vec2 corner : {glm::vec2(0.0f), glm::vec2(size_.x, 0.0f), glm::vec2(0.0f, size_.y), size_}) {
        const glm::vec4 p = toClip * glm::vec4(corner, 0.0f, 1.0f);
        const glm::vec2 at = p.w != 0.0f ? glm::vec2(p.x, p.y) / p.w : glm::vec2(p.x, p.y);
        low = glm::min(low, at);
        high = glm::max(high, at);
    }
    // The screen spans -1..1. A picture is read once it comes within half
    // a screen of it, and let go only an eighth of a screen farther, so
    // that one moved back and forth across that edge is not read each time.
    const float reach = sourceData_ ? 2.25f : 2.0f;
    const bool near = high.x >= -reach && low.x <= reach && high.y >= -reach && low.y <= reach;
    if (!near) {
        if (sourceData_) {
            sourceData_.reset();
            data_ = ImageData();
        }
        return false;
    }
    if (!sourceData_ && !shownFailed_) {
        ResourceManager* resources = ResourceManager::instance();
        std::shared_ptr<ImageData> frame = resources->loadImage(resources->resolve(shownFile_));
        const auto texture = frame ? frame->getTexture() : nullptr;
        if (!texture || texture->getSize().x <= 0.0f) {
            log("Image: %s is not a picture, the image stays empty", shownFile_.c_str());
            shownFailed_ = true;
            return false;
        }
        frame->load();
        sourceData_ = std::move(frame);
        buildFromSource();
    }
    return sourceData_ != nullptr;
}

void Image::draw() {
    Render* render = Render::instance();
    if (!render) return;
    if (!shownFile_.empty() && !followScreen(*render)) return;
    render->setTextureWrap(repeatX_, repeatY_);
    data_.draw();
}

} // namespace vorn
