#include "widgets/ParticleEmitter.h"

#include "core/Log.h"
#include "core/RandomSeed.h"
#include "core/Scheduler.h"
#include "render/ImageData.h"
#include "scene/CompositeActions.h"
#include "scene/LoadContext.h"
#include "scene/SimpleActions.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <limits>
#include <numbers>
#include <optional>

namespace vorn {

namespace {

constexpr float radiansPerDegree = 2.0f * std::numbers::pi_v<float> / 360.0f;

// One engine output over 2^32, kept below 1 where the float rounds up.
float canonical(std::mt19937& engine) {
    const float u = static_cast<float>(engine()) / 4294967296.0f;
    return u < 1.0f ? u : std::nextafter(1.0f, 0.0f);
}

// A particle count as an int: nothing for NaN or below 1, and counts past
// the int range saturate instead of overflowing the conversion.
int wholeParticles(float count) {
    if (!(count >= 1.0f)) return 0;
    if (count >= 2147483520.0f) return std::numeric_limits<int>::max();
    return static_cast<int>(count);
}

void seedFromDevice(std::mt19937& engine) {
    try {
        std::random_device device;
        engine.seed(device());
    } catch (const std::exception&) {
        // Without an entropy source the default seed stands.
    }
}

} // namespace

ParticleSystem::Emitter::Area::Area() {
    if (const auto seed = fixedSeed(SeedUse::Particles)) {
        engine.seed(*seed);
    } else {
        seedFromDevice(engine);
    }
}

ParticleSystem::Emitter::Area::~Area() = default;

float ParticleSystem::Emitter::Area::uniform() { return canonical(engine); }

ParticleSystem::Emitter::RectangleArea::RectangleArea(float l, float r, float t, float b)
    : left(l), right(r), top(t), bottom(b) {}

glm::vec2 ParticleSystem::Emitter::RectangleArea::randomPoint() {
    const float y = top + uniform() * (bottom - top);
    const float x = left + uniform() * (right - left);
    return {x, y};
}

ParticleSystem::Emitter::CircleArea::CircleArea(float radius) : radiusMax(radius) {}

glm::vec2 ParticleSystem::Emitter::CircleArea::randomPoint() {
    const float radius = radiusMin + uniform() * (radiusMax - radiusMin);
    const float angle = angleMin + uniform() * (angleMax - angleMin);
    return {radius * std::sin(angle), -radius * std::cos(angle)};
}

ParticleSystem::Emitter::Emitter() {
    setCenterParent(true);
    if (const auto seed = fixedSeed(SeedUse::Particles)) {
        engine_.seed(*seed);
        return;
    }
    seedFromDevice(engine_);
    // Emitters made in the same instant still differ: the C generator moves
    // on with every emitter.
    engine_.seed(static_cast<std::mt19937::result_type>(std::clock() + std::rand()));
}

ParticleSystem::Emitter::~Emitter() = default;

float ParticleSystem::Emitter::uniform() { return canonical(engine_); }

void ParticleSystem::Emitter::setArea(std::unique_ptr<Area> area) { area_ = std::move(area); }

void ParticleSystem::Emitter::setDirection(float degrees) { direction_ = degrees * radiansPerDegree; }

void ParticleSystem::Emitter::setSpread(float degrees) { spread_ = degrees * radiansPerDegree; }

void ParticleSystem::Emitter::setVelocityRange(float min, float max) {
    velocityMin_ = min;
    velocityMax_ = max;
}

void ParticleSystem::Emitter::setEnergyRange(float min, float max) {
    energyMin_ = min;
    energyMax_ = max;
}

void ParticleSystem::Emitter::setGravityRange(float min, float max) {
    gravityMin_ = min;
    gravityMax_ = max;
}

void ParticleSystem::Emitter::setRadialRange(float min, float max) {
    radialMin_ = min;
    radialMax_ = max;
}

void ParticleSystem::Emitter::setTangentialRange(float min, float max) {
    tangentialMin_ = min;
    tangentialMax_ = max;
}

void ParticleSystem::Emitter::setSpinRange(float min, float max) {
    spinMin_ = min * radiansPerDegree;
    spinMax_ = max * radiansPerDegree;
}

void ParticleSystem::Emitter::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    std::optional<float> left, right, top, bottom;
    // The map is in key order, so "velocity" sets both ends before
    // "velocityMax" or "velocity_min" overrides one of them.
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "direction") {
            setDirection(value.asFloat());
        } else if (key == "spread") {
            setSpread(value.asFloat());
        } else if (key == "velocity") {
            velocityMin_ = velocityMax_ = value.asFloat();
        } else if (key == "velocity_min" || key == "velocityMin") {
            velocityMin_ = value.asFloat();
        } else if (key == "velocity_max" || key == "velocityMax") {
            velocityMax_ = value.asFloat();
        } else if (key == "energy") {
            energyMin_ = energyMax_ = value.asFloat();
        } else if (key == "energy_min" || key == "energyMin") {
            energyMin_ = value.asFloat();
        } else if (key == "energy_max" || key == "energyMax") {
            energyMax_ = value.asFloat();
        } else if (key == "gravity") {
            gravityMin_ = gravityMax_ = value.asFloat();
        } else if (key == "gravity_min" || key == "gravityMin") {
            gravityMin_ = value.asFloat();
        } else if (key == "gravity_max" || key == "gravityMax") {
            gravityMax_ = value.asFloat();
        } else if (key == "radial") {
            radialMin_ = radialMax_ = value.asFloat();
        } else if (key == "radial_min" || key == "radialMin") {
            radialMin_ = value.asFloat();
        } else if (key == "radial_max" || key == "radialMax") {
            radialMax_ = value.asFloat();
        } else if (key == "tangential") {
            tangentialMin_ = tangentialMax_ = value.asFloat();
        } else if (key == "tangential_min" || key == "tangentialMin") {
            tangentialMin_ = value.asFloat();
        } else if (key == "tangential_max" || key == "tangentialMax") {
            tangentialMax_ = value.asFloat();
        } else if (key == "spin") {
            spinMin_ = spinMax_ = value.asFloat() * radiansPerDegree;
        } else if (key == "spin_min" || key == "spinMin") {
            spinMin_ = value.asFloat() * radiansPerDegree;
        } else if (key == "spin_max" || key == "spinMax") {
            spinMax_ = value.asFloat() * radiansPerDegree;
        } else if (key == "count" || key == "speed") {
            count_ = value.asFloat();
        } else if (key == "once") {
            once_ = value.asBool();
        } else if (key == "delay") {
            delay_ = value.asFloat();
        } else if (key == "position_left") {
            left = value.asFloat();
        } else if (key == "position_right") {
            right = value.asFloat();
        } else if (key == "position_top") {
            top = value.asFloat();
        } else if (key == "position_bottom") {
            bottom = value.asFloat();
        }
    });
    if (left && right && top && bottom) setArea(std::make_unique<RectangleArea>(*left, *right, *top, *bottom));
}

int ParticleSystem::Emitter::burstCount() const {
    if (count_ < 0.0f) {
        log("ParticleEmitter: burst count %f below zero, nothing emitted", static_cast<double>(count_));
        return 0;
    }
    return wholeParticles(count_);
}

void ParticleSystem::Emitter::onEnterStage() {
    accumulator_ = 0.0f;
    if (delay_ > 0.0f) {
        const bool burst = once_;
        IntervalAction* steps[] = {new WaitAction(delay_), new FunctionAction([burst](Node* target) {
                                       auto* emitter = dynamic_cast<Emitter*>(target);
                                       if (!emitter) return;
                                       if (burst) {
                                           emitter->emit(emitter->burstCount());
                                       } else {
                                           Scheduler::instance()->add(emitter);
                                       }
                                   })};
        runAction(new Sequence(steps, 2));
    } else if (once_) {
        emit(burstCount());
    } else {
        Scheduler::instance()->add(this);
    }
}

void ParticleSystem::Emitter::onExitStage() { Scheduler::instance()->remove(this); }

void ParticleSystem::Emitter::onUpdate(float dt) {
    // A rate of 0 (or less, or no number) emits nothing, and the balance
    // must not become 0 / 0.
    if (!(count_ > 0.0f) || !std::isfinite(count_)) {
        accumulator_ = 0.0f;
        return;
    }
    const float a = accumulator_ + dt;
    const int n = wholeParticles(std::ceil(a * count_));
    if (n > 0) emit(n);
    accumulator_ = a - static_cast<float>(n) / count_;
    // Only a count saturated at the int range leaves a balance owed; it is
    // dropped, not carried into every following frame.
    if (accumulator_ > 0.0f || !std::isfinite(accumulator_)) accumulator_ = 0.0f;
}

ParticleSystem* ParticleSystem::Emitter::findSystem() const {
    for (Node* node = parent(); node; node = node->parent()) {
        if (auto* system = dynamic_cast<ParticleSystem*>(node)) return system;
    }
    return nullptr;
}

void ParticleSystem::Emitter::emit(int n) {
    if (n <= 0) {
        if (n < 0) log("ParticleEmitter: emit called with %d particles, nothing emitted", n);
        return;
    }
    // Looked up at every emission: an emitter moved elsewhere must not
    // reach a system it has left, which may be gone.
    ParticleSystem* system = findSystem();
    if (!system) {
        log("emit called on ParticleEmitter without ParticleSystem");
        return;
    }
    const std::shared_ptr<ImageData>& image = system->getImage();
    if (!image || !image->getVertexData()) {
        // Every particle is a copy of the image's vertices. Once per
        // emitter: a stream would repeat it every frame.
        if (!imageMissingLogged_) {
            log("emit called on ParticleEmitter whose ParticleSystem has no image (node name: %s)",
                system->getName().c_str());
            imageMissingLogged_ = true;
        }
        return;
    }
    const std::size_t held = system->getParticles().size();
    const std::size_t room = held < maxParticles ? maxParticles - held : 0;
    if (static_cast<std::size_t>(n) > room) {
        if (!fullLogged_) {
            log("ParticleEmitter: %d particles asked for, %zu made: a ParticleSystem holds at most %zu (node name: %s)",
                n, room, maxParticles, system->getName().c_str());
            fullLogged_ = true;
        }
        n = static_cast<int>(room);
    }
    const VertexData& vertices = *image->getVertexData();
    for (int i = 0; i < n; ++i) {
        Particle p;
        p.quad = vertices;
        p.angle = 0.0f;
        const glm::vec2 at = area_ ? area_->randomPoint() : glm::vec2(0.0f);
        p.x = at.x;
        p.y = at.y;
        const float t = between(direction_ - spread_, direction_ + spread_);
        const float s = between(velocityMin_, velocityMax_);
        p.gx = 0.0f;
        p.gy = between(gravityMin_, gravityMax_);
        p.tangential = between(tangentialMin_, tangentialMax_);
        p.radial = between(radialMin_, radialMax_);
        p.life = between(energyMin_, energyMax_);
        p.remaining = p.life;
        p.spin = between(spinMin_, spinMax_);
        // Angle 0 points up the screen; angles turn clockwise (y grows down).
        p.vx = s * std::sin(t);
        p.vy = -s * std::cos(t);
        system->addParticle(std::move(p));
    }
}

} // namespace vorn
