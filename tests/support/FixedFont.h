#pragma once

// A font for tests and benchmarks whose every byte has the same advance:
// layouts can then be worked out by hand. A character other than a blank
// or a line break is one quad from the pen (its bottom left, on the
// baseline) one advance wide and 10 units high. It counts its measuring
// and building, so a test can tell whether layout work was done.

#include "render/DrawData.h"
#include "render/VertexData.h"
#include "render/fonts/Font.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

class FixedFont : public Font {
public:
    // widestLine: measure a text of several lines by its widest one, as the
    // built-in vector font does, instead of by its last.
    explicit FixedFont(float advance = 10.0f, float lineHeight = 20.0f, float base = 15.0f, bool widestLine = false)
        : advance_(advance), lineHeight_(lineHeight), base_(base), widestLine_(widestLine) {}

    void prepareTextures() override { ++prepared; }
    void drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) override {
        buildDrawData(position, text, extraSpace)->draw();
    }
    std::shared_ptr<DrawData> buildDrawData(const glm::vec3& position, const std::string& text,
                                            float extraSpace) override {
        ++builds;
        auto data = std::make_shared<DrawData>();
        float x = position.x;
        float y = position.y;
        for (const char c : text) {
            if (c == '\n') {
                x = 0.0f;
                y += lineHeight_;
                continue;
            }
            if (c != ' ') data->add(texture, glyph(x, y));
            x += advance_;
            if (c == ' ') x += extraSpace;
        }
        return data;
    }
    glm::vec2 measure(const std::string& text) override {
        measured.push_back(text);
        float widest = 0.0f;
        float width = 0.0f;
        for (const char c : text) {
            if (c == '\n') {
                width = 0.0f;
                continue;
            }
            width += advance_;
            widest = std::max(widest, width);
        }
        return {widestLine_ ? widest : width, lineHeight_};
    }
    std::string filterText(const std::string& text) override { return text; }
    float lineHeight() override { return lineHeight_; }
    float base() override { return base_; }

    float advance() const { return advance_; }

    int prepared = 0;
    int builds = 0;
    std::vector<std::string> measured;
    // Given to every quad; null draws untextured.
    std::shared_ptr<Texture> texture;

private:
    VertexData glyph(float x, float y) const {
        VertexData quad;
        const float xs[] = {x, x + advance_, x + advance_, x};
        const float ys[] = {y - 10.0f, y - 10.0f, y, y};
        for (int i = 0; i < 4; ++i) {
            VertexData::Vertex v;
            v.x = xs[i];
            v.y = ys[i];
            quad.vertices.push_back(v);
        }
        quad.indices = {0, 1, 3, 3, 1, 2};
        return quad;
    }

    float advance_;
    float lineHeight_;
    float base_;
    bool widestLine_;
};

} // namespace vorn::test
