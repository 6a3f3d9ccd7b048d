#pragma once

// Helpers for the particle and mesh tests: frames with no texture of a given
// size, nodes made from XML text through the node factory, and a recording
// device that collects what a node draws.

#include "render/ImageData.h"
#include "render/Render.h"
#include "scene/Node.h"
#include "scene/NodeFactory.h"
#include "support/RecordingRender.h"
#include "widgets/ParticleSystem.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

// An untextured white frame of that size: one quad, texture coordinates 0 to 1.
inline ImageData plainFrame(float w, float h) { return ImageData(glm::vec2(w, h), Color()); }

// The node the factory makes for the XML text, loaded from it.
inline std::shared_ptr<Node> fromXml(const std::string& xml) {
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
    return NodeFactory::instance().create(document.RootElement());
}

template <typename T>
std::shared_ptr<T> fromXmlAs(const std::string& xml) {
    return std::dynamic_pointer_cast<T>(fromXml(xml));
}

// A particle of the given life and place, its quad copied from a plain frame.
inline ParticleSystem::Particle particle(float life, float remaining, float x, float y) {
    ParticleSystem::Particle p;
    p.life = life;
    p.remaining = remaining;
    p.x = x;
    p.y = y;
    p.quad = *plainFrame(1.0f, 1.0f).getVertexData();
    return p;
}

// Installs a recording device for the test's life.
class Recording {
public:
    Recording() { Render::setInstance(&render); }
    ~Recording() { Render::setInstance(nullptr); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Everything the node and its subtree draw, as flushed batches.
    const std::vector<RecordingRender::Batch>& draw(Node& node) {
        render.batches.clear();
        render.setMatrix(glm::mat4(1.0f));
        node.visit();
        render.flush();
        return render.batches;
    }

    RecordingRender render;
};

} // namespace vorn::test
