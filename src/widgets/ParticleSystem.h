#pragma once

#include "core/Color.h"
#include "render/VertexData.h"
#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <cstddef>
#include <memory>
#include <vector>

namespace vorn {

class ImageData;

// Owns, moves and draws the particles of one effect: textured quads cut from
// one image, each living for its own time under its velocity, gravity,
// radial and tangential acceleration and spin, and changing size and colour
// with the life it has left. Emitters placed below the system make them.
class ParticleSystem : public virtual Node {
public:
    class Emitter;

    // A plain record; positions are in the system's local space, angles in
    // radians.
    struct Particle {
        float life = 0.0f;
        float remaining = 0.0f;
        float angle = 0.0f;
        float x = 0.0f;
        float y = 0.0f;
        float vx = 0.0f;
        float vy = 0.0f;
        float gx = 0.0f;
        float gy = 0.0f;
        float radial = 0.0f;
        float tangential = 0.0f;
        float spin = 0.0f;
        // The image's vertices, copied at birth; the first four are the quad's
        // corners and are rewritten at every draw.
        VertexData quad;
    };

    // The most particles a system holds: emitters make no more than fit, so
    // a mistyped count cannot exhaust memory.
    static constexpr std::size_t maxParticles = 100000;

    ParticleSystem();
    ~ParticleSystem() override;

    void addParticle(Particle&& particle);
    const std::vector<Particle>& getParticles() const { return particles_; }
    const std::shared_ptr<ImageData>& getImage() const { return image_; }

    void setStartSize(float size) { startSize_ = size; }
    void setEndSize(float size) { endSize_ = size; }
    void setMidSize(float size);
    void setStartColor(const Color& color) { startColor_ = color; }
    void setEndColor(const Color& color) { endColor_ = color; }
    void setMidColor(const Color& color);
    void setAttractor(const glm::vec2& point, float strength);
    // A copy of the frame becomes the system's image; the node is set up
    // again before its next draw.
    void setImage(const ImageData& image);

    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void draw() override;
    void onEnterStage() override;
    void onExitStage() override;
    void onUpdate(float dt) override;

private:
    // Size factor and colour at e = remaining / life (1 at birth, 0 at death).
    float sizeAt(float e) const;
    Color colorAt(float e) const;

    std::shared_ptr<ImageData> image_;
    std::vector<Particle> particles_;
    float startSize_ = 1.0f;
    float endSize_ = 0.0f;
    float midSize_ = 0.0f;
    bool hasMidSize_ = false;
    Color startColor_{1.0f, 1.0f, 1.0f, 1.0f};
    Color midColor_{1.0f, 1.0f, 1.0f, 1.0f};
    bool hasMidColor_ = false;
    Color endColor_{1.0f, 1.0f, 1.0f, 0.0f};
    bool hasAttractor_ = false;
    glm::vec2 attractorPoint_{0.0f, 0.0f};
    float attractorStrength_ = 0.0f;
};

} // namespace vorn
