#pragma once

#include "core/Color.h"
#include "scene/DataSourceListener.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>
#include <vector>

namespace vorn {

class DrawData;
class Font;
class Render;

// A string drawn in a font: a label as wide as its text, or a block wrapped
// to the node's width, aligned left, right, centred or to both edges, with
// an optional drop shadow and outline. Bound to a data source it shows the
// source's value, on its own or inside a template such as "Score: {{text}}".
//
// The glyph geometry is built at the first draw after a change and then
// drawn as it is, so an unchanged text costs its quads alone.
class Text : public virtual Node, public virtual DataSourceListener {
public:
    enum Alignment { ALIGN_LEFT = 0, ALIGN_RIGHT = 1, ALIGN_CENTER = 2, ALIGN_WIDTH = 3 };

    Text();
    explicit Text(const std::string& text);
    ~Text() override;

    void setProperties(const Attributes& attributes) override;
    // A text without a font of its own takes the default font here.
    void onSetup() override;
    void draw() override;
    void onEnterStage() override;
    void onValueChanged(const Value& value) override;

    // Laid out at once on stage; placed in the parent on stage or not.
    void setText(const std::string& text);
    const std::string& getText() const { return text_; }
    // The text as laid out: with the chosen line breaks once wrapped.
    const std::string& getDisplayText() const { return displayText_; }
    // Both lay the text out again (on stage) and build its glyphs anew.
    void setAlignment(int alignment);
    int getAlignment() const { return alignment_; }
    void setFont(const std::shared_ptr<Font>& font);
    const std::shared_ptr<Font>& getFont() const { return font_; }
    // Lays out again when on stage.
    void refresh();
    void relayout();

    // Takes effect with the next value.
    void setTemplate(const std::string& text) { template_ = text; }
    const std::string& getTemplate() const { return template_; }
    // The text for a value: the value's own text without a template, else
    // the template with "{{text}}" and "{{time}}" filled in and any other
    // lowercase placeholder removed. Throws what the value's conversions
    // throw (a time that is no number).
    std::string expandTemplate(const Value& value) const;
    // Shows a value; one that cannot be shown is logged and the text stays.
    void setValue(const Value& value);

    bool isWrapped() const { return wrapped_; }
    const std::vector<std::string>& getLines() const { return lines_; }
    glm::vec3 getOffset() const { return offset_; }
    glm::vec2 getMeasuredSize() const { return measuredSize_; }
    bool isFixedSize() const { return fixedSize_; }
    // The glyphs as built for the next draws; null until then.
    const std::shared_ptr<DrawData>& getDrawData() const { return drawData_; }

private:
    void clearWrapping();
    void wordWrap();
    void singleLineOffsets();
    float lineOffset(float lineWidth) const;
    void buildDrawData();
    void drawOutlineCopies(Render& render) const;
    void drawOutlined(Render& render) const;
    void drawShadowed(Render& render) const;

    std::shared_ptr<Font> font_;
    std::string text_;
    std::string displayText_;
    bool wrapped_ = false;
    std::vector<std::string> lines_;
    int alignment_ = ALIGN_LEFT;
    glm::vec3 offset_{0.0f, 0.0f, 0.0f};
    glm::vec2 measuredSize_{0.0f, 0.0f};
    bool fixedSize_ = false;
    std::string template_;
    std::shared_ptr<DrawData> drawData_;
    bool shadow_ = false;
    Color shadowColor_{0.0f, 0.0f, 0.0f, 1.0f};
    glm::vec2 shadowOffset_{3.0f, 3.0f};
    bool outline_ = false;
    Color outlineColor_{0.0f, 0.0f, 0.0f, 1.0f};
    float outlineWidth_ = 1.0f;
};

} // namespace vorn
