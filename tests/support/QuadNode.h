#pragma once

// A node that draws one untextured quad over its box, in its fill colour
// times the node colour: the drawing node of scene tests and benchmarks.

#include "render/Render.h"
#include "render/VertexData.h"
#include "scene/Node.h"

namespace vorn::test {

class QuadNode : public Node {
public:
    QuadNode() = default;
    QuadNode(const glm::vec2& size, const Color& fill) : fill_(fill) { setSize(size); }

    void draw() override {
        Render* render = Render::instance();
        if (!render) return;
        render->setTexture(nullptr);
        render->drawVertexData(quad_);
    }
    void onSizeChanged() override { build(); }
    void setFill(const Color& fill) {
        fill_ = fill;
        build();
    }

private:
    void build() {
        quad_.vertices.clear();
        const float xs[] = {0.0f, size_.x, size_.x, 0.0f};
        const float ys[] = {0.0f, 0.0f, size_.y, size_.y};
        for (int i = 0; i < 4; ++i) {
            VertexData::Vertex v;
            v.x = xs[i];
            v.y = ys[i];
            v.r = fill_.r;
            v.g = fill_.g;
            v.b = fill_.b;
            v.a = fill_.a;
            quad_.vertices.push_back(v);
        }
        quad_.indices = {0, 1, 3, 3, 1, 2};
    }

    Color fill_;
    VertexData quad_;
};

} // namespace vorn::test
