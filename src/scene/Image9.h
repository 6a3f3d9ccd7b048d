#pragma once

#include "scene/Image.h"

namespace vorn {

// An image cut into a 3 x 3 grid whose corners keep their size: the edges
// stretch along one axis and the middle along both. The corner size is in
// node units and covers as many of the frame's pixels at the frame's own
// scale. Corners wider than half the node overlap rather than shrink.
// Mirroring and tiling play no part here.
class Image9 : public Image {
public:
    Image9();
    // Copies the frame and takes its size.
    Image9(const ImageData& frame, float corner);
    ~Image9() override;

    // The image's attributes, then "corner".
    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void draw() override;
    void onSizeChanged() override;

    // Sixteen vertices and eighteen triangles over the source's texture,
    // filling the node's box. Empty (nothing drawn) without a textured
    // source of some size.
    ImageData buildNineSlice() const;

    float getCorner() const { return corner_; }
    // A corner that is no finite number counts as 0.
    void setCorner(float corner);

private:
    float corner_ = 0.0f;
};

} // namespace vorn
