#include "scene/Image.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "render/Render.h"
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
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "filename") {
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

void Image::draw() {
    Render* render = Render::instance();
    if (!render) return;
    render->setTextureWrap(repeatX_, repeatY_);
    data_.draw();
}

} // namespace vorn
