#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Image.h"

#include <glm/vec2.hpp>

namespace vorn {

class VertexData;

// Shows a fraction of its picture, from 0 to 1: the picture cut from the
// left or the top (not squeezed), or a circular sector growing clockwise
// (or counter-clockwise) from a start angle. Follows a data source, whose
// values are clamped to [0, 1].
class Progress : public virtual Image, public virtual DataSourceListener {
public:
    enum Type { HORIZONTAL = 0, VERTICAL = 1, CIRCULAR = 2 };

    Progress();
    // Over a plain rectangle of that size and colour.
    Progress(const glm::vec2& size, const Color& color);
    ~Progress() override;

    // The image's attributes, then "value" (not clamped), "dataSource",
    // "type" ("vertical", "circular", anything else the horizontal bar),
    // "startAngle", "sector" (degrees) and "invert".
    void setProperties(const Attributes& attributes) override;
    void draw() override;
    void onEnterStage() override;
    void onValueChanged(const Value& value) override;

    void setValue(float value);
    float getValue() const { return value_; }
    void setType(const int& type) { type_ = type; }
    int getType() const { return type_; }
    float getStartAngle() const { return startAngle_; }
    float getSector() const { return sector_; }
    bool isInverted() const { return invert_; }

    // What draw hands to the renderer for the present value, in the
    // node's own space: the cut quad, or the sector's triangles.
    VertexData bar() const;
    VertexData sectorTriangles() const;

private:
    float value_ = 0.5f;
    int type_ = HORIZONTAL;
    bool invert_ = false;
    float startAngle_ = 0.0f;
    float sector_ = 6.2831855f;
};

} // namespace vorn
