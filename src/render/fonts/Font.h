#pragma once

#include "core/Resource.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>

namespace vorn {

class DrawData;

// How text is measured and drawn. Positions name the pen at the start of the
// text, on the baseline of the first line; y grows downwards. The renderer's
// current matrix and colour apply to what is drawn, now or later.
class Font : public Resource {
public:
    Font() = default;
    explicit Font(std::string name) : Resource(std::move(name)) {}
    ~Font() override = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Makes the font's textures ready for drawing. Main thread only.
    virtual void prepareTextures() = 0;
    virtual void draw(const std::string& text);
    virtual void drawAt(const glm::vec3& position, const std::string& text);
    // Draws at once, adding extraSpace after every space the font draws.
    virtual void drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) = 0;
    // The geometry drawSpaced would draw, kept for drawing later.
    virtual std::shared_ptr<DrawData> buildDrawData(const glm::vec3& position, const std::string& text,
                                                    float extraSpace) = 0;
    // Width of the last line and height of one line, in design units.
    virtual glm::vec2 measure(const std::string& text) = 0;
    // The text reduced to what the font can draw.
    virtual std::string filterText(const std::string& text) = 0;
    // Distance between the baselines of two lines.
    virtual float lineHeight() = 0;
    // Distance from the top of a line to its baseline.
    virtual float base() = 0;
};

} // namespace vorn
