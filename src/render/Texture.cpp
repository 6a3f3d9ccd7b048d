#include "render/Texture.h"

#include "render/Bitmap.h"

namespace vorn {

Texture::Texture(std::shared_ptr<Bitmap> bitmap) : bitmap_(std::move(bitmap)), kind_(KindImage) {}

Texture::~Texture() = default;

void Texture::setBitmap(std::shared_ptr<Bitmap> bitmap) {
    bitmap_ = std::move(bitmap);
    kind_ = KindImage;
}

glm::vec2 Texture::getSize() const {
    if (kind_ == KindRenderTarget) {
        return {static_cast<float>(width_), static_cast<float>(height_)};
    }
    if (!bitmap_) {
        return {static_cast<float>(width_), static_cast<float>(height_)};
    }
    return {static_cast<float>(bitmap_->width()), static_cast<float>(bitmap_->height())};
}

} // namespace vorn
