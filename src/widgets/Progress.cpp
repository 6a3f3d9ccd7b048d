#include "widgets/Progress.h"

#include "render/Render.h"
#include "render/VertexData.h"
#include "scene/LoadContext.h"
#include "widgets/BoundValue.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace vorn {

namespace {

constexpr float degrees = 0.017453292f;
constexpr float eighth = 0.7853982f;
constexpr float fullTurn = 6.2831855f;

// 0 points up and angles grow clockwise on screen (y down).
glm::vec2 direction(float angle) { return {std::sin(angle), -std::cos(angle)}; }

// Where the ray from the centre at that angle leaves a box of half size h.
glm::vec2 edgePoint(float angle, const glm::vec2& h) {
    const glm::vec2 d = direction(angle);
    float s = INFINITY;
    if (std::abs(d.x) > 1e-7f) s = std::min(s, h.x / std::abs(d.x));
    if (std::abs(d.y) > 1e-7f) s = std::min(s, h.y / std::abs(d.y));
    return d * s;
}

// The angles of the box's corners, as direction() counts them.
std::vector<float> cornerAngles(const glm::vec2& h) {
    return {std::atan2(h.x, h.y), std::atan2(h.x, -h.y), std::atan2(-h.x, -h.y), std::atan2(-h.x, h.y)};
}

} // namespace

Progress::Progress() = default;

Progress::Progress(const glm::vec2& size, const Color& color) : Image(size, color) {}

Progress::~Progress() = default;

void Progress::setProperties(const Attributes& attributes) {
    Image::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "value") {
            value_ = value.asFloat();
        } else if (key == "dataSource") {
            setDataSource(value.toString());
        } else if (key == "type") {
            const std::string text = value.toString();
            type_ = text == "vertical" ? VERTICAL : text == "circular" ? CIRCULAR : HORIZONTAL;
        } else if (key == "startAngle") {
            startAngle_ = value.asFloat() * degrees;
        } else if (key == "sector") {
            sector_ = value.asFloat() * degrees;
        } else if (key == "invert") {
            invert_ = value.asBool();
        }
    });
}

void Progress::onEnterStage() {
    Node::onEnterStage();
    connect();
}

void Progress::setValue(float value) { value_ = std::clamp(value, 0.0f, 1.0f); }

void Progress::onValueChanged(const Value& value) {
    // An unset source reads as 0.
    if (const std::optional<float> v = boundFloat(value, "Progress", getDataSourceName())) setValue(*v);
}

VertexData Progress::bar() const {
    VertexData cut = *data_.getVertexData();
    if (cut.vertices.size() != 4) return cut;
    const float t = value_;
    VertexData::Vertex& a = cut.vertices[0];
    VertexData::Vertex& b = cut.vertices[1];
    VertexData::Vertex& c = cut.vertices[2];
    VertexData::Vertex& d = cut.vertices[3];
    if (type_ == HORIZONTAL) {
        b.x = a.x + t * (b.x - a.x);
        b.u = a.u + t * (b.u - a.u);
        c.x = b.x;
        c.u = b.u;
    } else {
        c.y = a.y + t * (c.y - a.y);
        c.v = a.v + t * (c.v - a.v);
        d.y = c.y;
        d.v = c.v;
    }
    return cut;
}

// A fan from the centre whose outer points lie on the picture's edge at
// their own angle, so neighbouring wedges share their points and the
// sector covers exactly its part of the picture whatever its shape; a
// wedge is split at a corner it would otherwise cut across. The texture
// follows the picture: a point of the node gets the texture coordinates
// of that place in the frame. The colour is the renderer's (the
// node's), so the vertices are white.
VertexData Progress::sectorTriangles() const {
    VertexData fan;
    const glm::vec2 size = getSize();
    const glm::vec2 h = size * 0.5f;
    if (h.x <= 0.0f || h.y <= 0.0f || !std::isfinite(value_) || !std::isfinite(startAngle_)) return fan;
    // Past a full turn everything is covered already; a huge value must
    // not cost a triangle per eighth.
    const float sweep = std::min(std::abs(value_ * sector_), fullTurn);
    if (!(sweep > 0.0f)) return fan;
    const float sign = (invert_ != (value_ * sector_ < 0.0f)) ? -1.0f : 1.0f;

    // Angles along the sweep where wedges meet: every eighth of a turn,
    // the end, and the corners in between.
    std::vector<float> splits;
    for (float done = 0.0f; done < sweep; done += eighth) splits.push_back(done);
    splits.push_back(sweep);
    const std::vector<float> eighths = splits;
    for (const float corner : cornerAngles(h)) {
        float along = std::fmod(sign * (corner - startAngle_), fullTurn);
        if (along < 0.0f) along += fullTurn;
        const bool onACut = std::any_of(eighths.begin(), eighths.end(),
                                        [along](float cut) { return std::abs(cut - along) < 1e-4f; });
        if (!onACut && along < sweep) splits.push_back(along);
    }
    std::sort(splits.begin(), splits.end());

    // Texture coordinates as the frame's quad lays them over the node: the
    // affine map through three of its corners, whatever their order (a
    // mirrored frame swaps them) and wherever the frame sits in its texture.
    const auto& quad = data_.getVertexData()->vertices;
    const Rect uvBox = data_.uvBounds();
    const auto uvAt = [&](const glm::vec2& p) {
        const glm::vec2 at = h + p;
        if (quad.size() == 4) {
            const glm::vec2 o(quad[0].x, quad[0].y);
            const glm::vec2 e1 = glm::vec2(quad[1].x, quad[1].y) - o;
            const glm::vec2 e2 = glm::vec2(quad[3].x, quad[3].y) - o;
            const float det = e1.x * e2.y - e1.y * e2.x;
            if (det != 0.0f) {
                const glm::vec2 d = at - o;
                const float a = (d.x * e2.y - d.y * e2.x) / det;
                const float b = (e1.x * d.y - e1.y * d.x) / det;
                return glm::vec2(quad[0].u + a * (quad[1].u - quad[0].u) + b * (quad[3].u - quad[0].u),
                                 quad[0].v + a * (quad[1].v - quad[0].v) + b * (quad[3].v - quad[0].v));
            }
        }
        return glm::vec2(uvBox.x + at.x / size.x * uvBox.w, uvBox.y + at.y / size.y * uvBox.h);
    };
    const auto vertex = [&](const glm::vec2& p) {
        VertexData::Vertex v;
        v.x = h.x + p.x;
        v.y = h.y + p.y;
        const glm::vec2 uv = uvAt(p);
        v.u = uv.x;
        v.v = uv.y;
        return v;
    };
    for (std::size_t i = 0; i + 1 < splits.size(); ++i) {
        if (splits[i + 1] - splits[i] < 1e-6f) continue;
        const auto base = static_cast<std::uint16_t>(fan.vertices.size());
        fan.vertices.push_back(vertex({0.0f, 0.0f}));
        fan.vertices.push_back(vertex(edgePoint(startAngle_ + sign * splits[i], h)));
        fan.vertices.push_back(vertex(edgePoint(startAngle_ + sign * splits[i + 1], h)));
        fan.indices.insert(fan.indices.end(), {base, static_cast<std::uint16_t>(base + 1),
                                               static_cast<std::uint16_t>(base + 2)});
    }
    return fan;
}

void Progress::draw() {
    Render* render = Render::instance();
    if (!render) return;
    if (type_ != HORIZONTAL && type_ != VERTICAL && type_ != CIRCULAR) return;
    auto shown = std::make_shared<VertexData>(type_ == CIRCULAR ? sectorTriangles() : bar());
    if (shown->vertices.empty()) return;
    render->setTextureWrap(repeatX_, repeatY_);
    render->setTexture(data_.getTexture());
    render->draw(shown);
}

} // namespace vorn
