#pragma once

// Text nodes in a headless scene, drawn with the fixed-advance test font
// (10 units a byte, lines 20 apart, baseline 15 below a line's top), which
// is made the default font so that scene files need not name one.

#include "scene/Text.h"
#include "widgets/UiDefaults.h"

#include "SceneFixture.h"
#include "support/FixedFont.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

// One drawn glyph as the device got it: its box and the colour of its
// first corner (0xAARRGGBB).
struct DrawnQuad {
    float left, top, right, bottom;
    std::uint32_t color;
    int wrapU, wrapV;
};

class TextFixture : public SceneFixture {
protected:
    void SetUp() override { UiDefaults::instance()->setDefaultFont(font); }

    std::shared_ptr<Text> text(const std::string& name = "t") { return std::dynamic_pointer_cast<Text>(find(name)); }

    // The quads drawn in one frame of the running scene.
    std::vector<DrawnQuad> frame() {
        run.render.batches.clear();
        run.step(0.0f);
        return drawn();
    }

    std::vector<DrawnQuad> drawn() const {
        std::vector<DrawnQuad> quads;
        for (const auto& batch : run.render.batches) {
            for (std::size_t v = 0; v + 3 < batch.vertices.size(); v += 4) {
                const auto& corner = batch.vertices[v];
                quads.push_back({corner.x, corner.y, batch.vertices[v + 2].x, batch.vertices[v + 2].y, corner.color,
                                 batch.wrapU, batch.wrapV});
            }
        }
        return quads;
    }

    std::shared_ptr<FixedFont> font = std::make_shared<FixedFont>();
};

} // namespace vorn::test
