#include "widgets/ParticleSystem.h"

#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "scene/LoadContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorn {

namespace {

constexpr float fullTurn = 2.0f * std::numbers::pi_v<float>;

} // namespace

ParticleSystem::ParticleSystem() = default;

ParticleSystem::~ParticleSystem() = default;

void ParticleSystem::addParticle(Particle&& particle) { particles_.push_back(std::move(particle)); }

void ParticleSystem::setMidSize(float size) {
    midSize_ = size;
    hasMidSize_ = true;
}

void ParticleSystem::setMidColor(const Color& color) {
    midColor_ = color;
    hasMidColor_ = true;
}

void ParticleSystem::setAttractor(const glm::vec2& point, float strength) {
    attractorPoint_ = point;
    attractorStrength_ = strength;
    hasAttractor_ = true;
}

void ParticleSystem::setImage(const ImageData& image) {
    image_ = std::make_shared<ImageData>(image);
    setUp_ = false;
}

void ParticleSystem::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "filename") {
            image_ = std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(value.toString()));
        } else if (key == "start_size" || key == "startSize") {
            startSize_ = value.asFloat();
        } else if (key == "end_size" || key == "endSize") {
            endSize_ = value.asFloat();
        } else if (key == "mid_size" || key == "midSize") {
            setMidSize(value.asFloat());
        } else if (key == "start_color" || key == "startColor") {
            startColor_ = Color(value.toString());
        } else if (key == "mid_color" || key == "midColor") {
            setMidColor(Color(value.toString()));
        } else if (key == "end_color" || key == "endColor") {
            endColor_ = Color(value.toString());
        }
    });
}

void ParticleSystem::onSetup() {
    if (!image_) return;
    image_->load();
    if (size_.x == 0.0f || size_.y == 0.0f) {
        // The base size of every quad; not a size change the node reacts to.
        size_ = glm::vec2(image_->getWidth(), image_->getHeight()) * image_->getScale();
        if (anchorCentered_) anchor_ = halfSize();
        transformDirty_ = true;
    }
}

void ParticleSystem::onEnterStage() { Scheduler::instance()->add(this); }

void ParticleSystem::onExitStage() { Scheduler::instance()->remove(this); }

void ParticleSystem::onUpdate(float dt) {
    bool died = false;
    for (Particle& p : particles_) {
        p.remaining -= dt;
        if (p.remaining <= 0.0f) {
            died = true;
            continue;
        }
        p.vx += dt * p.gx;
        p.vy += dt * p.gy;
        if (p.spin != 0.0f) {
            p.angle += dt * p.spin;
            if (p.angle > fullTurn) {
                p.angle -= fullTurn;
            } else if (p.angle < -fullTurn) {
                p.angle += fullTurn;
            }
        }

        // Both must be set for either to act: effect files were made to
        // look that way.
        float ax = 0.0f;
        float ay = 0.0f;
        if (p.radial != 0.0f && p.tangential != 0.0f) {
            const float length = std::sqrt(p.x * p.x + p.y * p.y);
            // A particle on the origin has no direction away from it.
            if (length > 0.0f) {
                const float nx = p.x / length;
                const float ny = p.y / length;
                ax = p.radial * nx - p.tangential * ny;
                ay = p.radial * ny + p.tangential * nx;
            }
        }

        if (!hasAttractor_) {
            p.vx += dt * ax;
            p.vy += dt * ay;
            p.x += dt * p.vx;
            p.y += dt * p.vy;
            continue;
        }

        const float dx = attractorPoint_.x - p.x;
        const float dy = attractorPoint_.y - p.y;
        const float r2 = dx * dx + dy * dy;
        const float r = std::sqrt(r2);
        bool caught = !(r2 > 0.0f); // on the point: no direction to pull in
        if (!caught) {
            const float k = 10000.0f * attractorStrength_;
            p.vx += dt * (k * (dx / r) / r2 + ax);
            p.vy += dt * (k * (dy / r) / r2 + ay);
            const float step = dt * std::sqrt(p.vx * p.vx + p.vy * p.vy);
            // A pull too strong to measure catches the particle as well.
            caught = !(step <= r);
        }
        if (caught) {
            p.remaining = 0.0f;
            p.x = attractorPoint_.x;
            p.y = attractorPoint_.y;
        } else {
            p.x += dt * p.vx;
            p.y += dt * p.vy;
        }
    }
    if (died) std::erase_if(particles_, [](const Particle& p) { return p.remaining <= 0.0f; });
}

float ParticleSystem::sizeAt(float e) const {
    if (!hasMidSize_) return endSize_ + e * (startSize_ - endSize_);
    if (e >= 0.5f) return midSize_ + (e - 0.5f) * 2.0f * (startSize_ - midSize_);
    return endSize_ + (midSize_ - endSize_) * 2.0f * e;
}

Color ParticleSystem::colorAt(float e) const {
    if (!hasMidColor_) return Color::lerp(startColor_, endColor_, 1.0f - e);
    if (e >= 0.5f) return Color::lerp(startColor_, midColor_, 1.0f - (e - 0.5f) * 2.0f);
    return Color::lerp(midColor_, endColor_, 1.0f - 2.0f * e);
}

void ParticleSystem::draw() {
    Render* render = Render::instance();
    if (!render) return;
    // Without an image the particles are plain quads, not quads in whatever
    // texture the node before left bound.
    render->setTexture(image_ ? image_->getTexture() : nullptr);
    render->pushColor();
    render->setColor(Color());
    for (Particle& p : particles_) {
        auto& vertices = p.quad.vertices;
        if (vertices.size() < 4) continue;
        // A particle born with no life left is drawn as at its death.
        const float e = p.life > 0.0f ? p.remaining / p.life : 0.0f;
        const float f = sizeAt(e);
        const Color c = colorAt(e);
        const float hw = f * size_.x * 0.5f;
        const float hh = f * size_.y * 0.5f;
        float cx[4] = {-hw, hw, hw, -hw};
        float cy[4] = {-hh, -hh, hh, hh};
        if (p.angle != 0.0f) {
            const float cs = std::cos(p.angle);
            const float sn = std::sin(p.angle);
            for (int i = 0; i < 4; ++i) {
                const float px = cx[i];
                const float py = cy[i];
                cx[i] = px * cs - py * sn;
                cy[i] = px * sn + py * cs;
            }
        }
        for (int i = 0; i < 4; ++i) {
            vertices[i].x = cx[i] + p.x;
            vertices[i].y = cy[i] + p.y;
        }
        const VertexData::Vertex& first = vertices[0];
        if (c.r != first.r || c.g != first.g || c.b != first.b || c.a != first.a) {
            for (int i = 0; i < 4; ++i) {
                vertices[i].r = c.r;
                vertices[i].g = c.g;
                vertices[i].b = c.b;
                vertices[i].a = c.a;
            }
        }
        render->drawVertexData(p.quad);
    }
    render->popColor();
}

} // namespace vorn
