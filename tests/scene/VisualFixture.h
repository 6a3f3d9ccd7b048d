#pragma once

// Drawing nodes that show pictures: picture files written for the test,
// loaded through the resource manager onto the recording device, and what
// one frame of a node sends to that device.

#include "core/ResourceManager.h"
#include "render/ImageData.h"
#include "scene/Node.h"

#include "SceneFixture.h"
#include "support/ImageFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

// One drawn vertex, as the table of a case states it.
struct Corner {
    float x, y, u, v;
};

inline std::ostream& operator<<(std::ostream& os, const Corner& c) {
    return os << "(" << c.x << ", " << c.y << " | " << c.u << ", " << c.v << ")";
}

inline ::testing::AssertionResult sameCorners(const std::vector<Corner>& got, const std::vector<Corner>& want) {
    if (got.size() != want.size()) {
        return ::testing::AssertionFailure() << got.size() << " vertices, want " << want.size();
    }
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Corner& g = got[i];
        const Corner& w = want[i];
        const float e = 1e-4f;
        if (std::abs(g.x - w.x) > e || std::abs(g.y - w.y) > e || std::abs(g.u - w.u) > e || std::abs(g.v - w.v) > e) {
            return ::testing::AssertionFailure() << "vertex " << i << " is " << g << ", want " << w;
        }
    }
    return ::testing::AssertionSuccess();
}

class VisualFixture : public SceneFixture {
protected:
    VisualFixture() { ResourceManager::instance()->setRender(&run.render); }
    ~VisualFixture() override { ResourceManager::instance()->setRender(nullptr); }

    // A picture file of one colour (0xRRGGBBAA); its path.
    std::string picture(const std::string& name, int width, int height, std::uint32_t rgba = 0xFFFFFFFFu) {
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < width * height; ++i) {
            for (int shift : {24, 16, 8, 0}) pixels.push_back(static_cast<std::uint8_t>(rgba >> shift));
        }
        const std::string path = dir.file(name);
        EXPECT_TRUE(writePng(path, width, height, 4, pixels));
        return path;
    }
    std::shared_ptr<ImageData> frameOf(const std::string& path) {
        return std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(path));
    }

    // Everything the node sends to the screen in one draw, flushed.
    std::vector<RecordingRender::Batch> drawn(Node& node) {
        run.render.batches.clear();
        node.visit();
        run.render.flush();
        std::vector<RecordingRender::Batch> out;
        for (const auto& b : run.render.batches) {
            if (!b.target) out.push_back(b);
        }
        return out;
    }
    static std::vector<Corner> corners(const RecordingRender::Batch& batch) {
        std::vector<Corner> out;
        for (const auto& v : batch.vertices) out.push_back({v.x, v.y, v.u, v.v});
        return out;
    }
    static std::vector<Corner> corners(const VertexData& data) {
        std::vector<Corner> out;
        for (const auto& v : data.vertices) out.push_back({v.x, v.y, v.u, v.v});
        return out;
    }
};

} // namespace vorn::test
