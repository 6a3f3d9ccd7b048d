#pragma once

#include "scene/Node.h"
#include "widgets/ParticleSystem.h"

#include <glm/vec2.hpp>

#include <memory>
#include <random>

namespace vorn {

// Makes particles in the nearest particle system above it: one burst at
// each stage entry ("once"), or a stream at a rate per second while on the
// stage, either after an optional delay. Particles start at the system's
// origin or at a random point of the emission area, in the system's space;
// the emitter's own position plays no part.
class ParticleSystem::Emitter : public virtual Node {
public:
    // Where particles start, in the system's space. Each area draws from
    // its own random engine.
    class Area {
    public:
        Area();
        virtual ~Area();
        Area(const Area&) = delete;
        Area& operator=(const Area&) = delete;

        virtual glm::vec2 randomPoint() = 0;

    protected:
        // Uniform in [0, 1).
        float uniform();

        std::mt19937 engine;
    };

    class RectangleArea : public Area {
    public:
        RectangleArea(float left, float right, float top, float bottom);
        glm::vec2 randomPoint() override;

        float left;
        float right;
        float top;
        float bottom;
    };

    // Points around the centre, by a uniform radius and angle, so they crowd
    // towards the middle; angle 0 points up the screen.
    class CircleArea : public Area {
    public:
        explicit CircleArea(float radius);
        glm::vec2 randomPoint() override;

        float angleMin = 0.0f;
        float angleMax = 6.2831855f;
        float radiusMin = 0.0f;
        float radiusMax;
    };

    Emitter();
    ~Emitter() override;

    // Makes n particles in the nearest particle system above, as many as
    // the system has room for. Nothing for n of 0 or less, without a
    // system, or when the system has no image.
    void emit(int n);

    // Replaces (and deletes) the old area; null means the system's origin.
    void setArea(std::unique_ptr<Area> area);
    Area* getArea() const { return area_.get(); }
    // Degrees.
    void setDirection(float degrees);
    void setSpread(float degrees);
    void setVelocityRange(float min, float max);
    void setEnergyRange(float min, float max);
    void setGravityRange(float min, float max);
    void setRadialRange(float min, float max);
    void setTangentialRange(float min, float max);
    // Degrees per second.
    void setSpinRange(float min, float max);
    void setOnce(bool once) { once_ = once; }
    // Burst size, or particles per second.
    void setCount(float count) { count_ = count; }
    void setDelay(float seconds) { delay_ = seconds; }

    void setProperties(const Attributes& attributes) override;
    void onEnterStage() override;
    void onExitStage() override;
    void onUpdate(float dt) override;

private:
    float uniform();
    float between(float lo, float hi) { return lo + uniform() * (hi - lo); }
    // The nearest ancestor that is a particle system, or null.
    ParticleSystem* findSystem() const;
    // The burst size as a whole number of particles; 0 for a count below 1.
    int burstCount() const;

    std::mt19937 engine_;
    float direction_ = 0.0f; // radians
    float spread_ = 0.0f;    // radians
    float velocityMin_ = 0.0f;
    float velocityMax_ = 0.0f;
    float energyMin_ = 1.0f;
    float energyMax_ = 1.0f;
    float gravityMin_ = 0.0f;
    float gravityMax_ = 0.0f;
    float radialMin_ = 0.0f;
    float radialMax_ = 0.0f;
    float tangentialMin_ = 0.0f;
    float tangentialMax_ = 0.0f;
    float spinMin_ = 0.0f; // radians per second
    float spinMax_ = 0.0f;
    bool once_ = false;
    float count_ = 1.0f;
    float delay_ = 0.0f;
    float accumulator_ = 0.0f;
    std::unique_ptr<Area> area_;
    // Streams would repeat these every frame: once per emitter.
    bool imageMissingLogged_ = false;
    bool fullLogged_ = false;
};

} // namespace vorn
