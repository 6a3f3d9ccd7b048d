#pragma once

#include "core/Color.h"
#include "render/ImageData.h"
#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <memory>
#include <string>

namespace vorn {

class Render;

// Shows one frame (a picture, an atlas sprite or a plain rectangle)
// stretched to the node, optionally mirrored and tiled. The frame drawn is
// the node's own copy of its source, so a cached frame is never changed.
//
// While no size has been given the node takes its frame's size; once one
// is given (constructor, "w"/"h", setSize, layout, a size state) the frame
// is stretched to the node instead. Images take no pointer input unless
// code enables them.
class Image : public virtual Node {
public:
    Image();
    // The picture of that name, sized to it. A name that is no picture is
    // logged and leaves the image empty.
    explicit Image(const std::string& file);
    // Shares the frame as its source, sized to it.
    explicit Image(std::shared_ptr<ImageData> frame);
    // A plain rectangle: white, tinted by the node colour, which becomes
    // color, so the colour shows once.
    Image(const glm::vec2& size, const Color& color);
    ~Image() override;

    // The node's attributes, then "filename", "flip_x", "flip_y",
    // "repeat_x", "repeat_y" and "load_when_shown"; the picture is loaded
    // last and copied. With "load_when_shown" and a size ("w", "h") the
    // picture is read only while the node is on screen or within half a
    // screen of it, and let go again once it is farther: large scenery
    // that scrolls by holds no memory while out of sight. It is not
    // cached, so the node's copy is the only one.
    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void draw() override;
    void onSizeChanged() override;

    // Shares the frame; a null one is ignored.
    void setImageData(const std::shared_ptr<ImageData>& frame);
    // Copies the frame, so later changes to it do not reach the image.
    void setImageData(const ImageData& frame);
    // Makes the drawn frame again from the source; the node is set up again
    // before its next draw. Without a source nothing happens.
    void rebuild();

    const ImageData& getData() const { return data_; }
    const std::shared_ptr<ImageData>& getSourceData() const { return sourceData_; }
    bool isFlipX() const { return flipX_; }
    bool isFlipY() const { return flipY_; }
    int getRepeatX() const { return repeatX_; }
    int getRepeatY() const { return repeatY_; }
    // Take effect at the next rebuild or size change.
    void setFlip(bool x, bool y);
    void setRepeat(bool x, bool y);

protected:
    // The source mirrored as the flags say, stretched to the node and tiled.
    void buildFromSource();
    // For a picture loaded when shown: reads or lets go of it as the node
    // comes near the screen or leaves; whether there is one to draw.
    bool followScreen(Render& render);

    ImageData data_;
    std::shared_ptr<ImageData> sourceData_;
    bool flipX_ = false;
    bool flipY_ = false;
    int repeatX_ = 0;
    int repeatY_ = 0;
    // The picture loaded when shown; empty for every other image.
    std::string shownFile_;
    bool shownFailed_ = false;
};

} // namespace vorn
