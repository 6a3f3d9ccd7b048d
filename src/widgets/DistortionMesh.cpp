#include "widgets/DistortionMesh.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "render/Render.h"
#include "render/VertexData.h"
#include "scene/LoadContext.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vorn {

namespace {

constexpr float twoPi = 6.2831855f;
constexpr float swayPixels = 2.5f;
constexpr float swaySpeed = 1.5f;

// The table entry of a phase given in thousandths of a turn: its whole part
// modulo 1000. Taken on the float itself, so it stays inside the table
// however long the mesh has been on the stage.
int tableIndex(float phase) {
    float m = std::fmod(phase, 1000.0f);
    if (m < 0.0f) m += 1000.0f;
    if (!(m >= 0.0f && m < 1000.0f)) return 0;
    return std::min(static_cast<int>(m), DistortionMesh::cosTableSize - 1);
}

} // namespace

float DistortionMesh::cosTable[DistortionMesh::cosTableSize];

void DistortionMesh::initCosTable() {
    cosTable[0] = 1.0f;
    for (int i = 1; i < cosTableSize; ++i) {
        cosTable[i] = std::cos(static_cast<float>(i) * 0.006283185307179587f);
    }
}

DistortionMesh::DistortionMesh() : mesh_(std::make_shared<VertexData>()) { initCosTable(); }

DistortionMesh::~DistortionMesh() = default;

bool DistortionMesh::validGrid(long long rows, long long cols) {
    // No rows or columns would divide by zero; more vertices than 16-bit
    // indices reach would wrap onto the wrong ones.
    return rows >= 1 && cols >= 1 && static_cast<std::uint64_t>(rows + 1) * static_cast<std::uint64_t>(cols + 1) <=
                                          maxVertices;
}

void DistortionMesh::setGrid(unsigned rows, unsigned cols) {
    if (!validGrid(rows, cols)) {
        log("DistortionMesh: grid of %u rows and %u columns refused (node name: %s)", rows, cols, name_.c_str());
        return;
    }
    rows_ = rows;
    cols_ = cols;
    setUp_ = false;
}

void DistortionMesh::setImage(const ImageData& image) {
    sourceImage_ = std::make_shared<ImageData>(image);
    frame_ = image;
    setUp_ = false;
}

void DistortionMesh::setImage(const std::shared_ptr<ImageData>& image) {
    if (!image) {
        sourceImage_.reset();
        frame_ = ImageData();
        setUp_ = false;
        return;
    }
    setImage(*image);
}

glm::vec3 DistortionMesh::vertexAt(unsigned row, unsigned col) const {
    return {static_cast<float>(col) * size_.x / static_cast<float>(cols_),
            static_cast<float>(row) * size_.y / static_cast<float>(rows_), 0.0f};
}

void DistortionMesh::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    std::optional<long long> rows, cols;
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "filename") {
            sourceImage_ =
                std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(value.toString()));
        } else if (key == "repeat_x") {
            repeatX_ = value.asBool() ? 1 : 0;
        } else if (key == "repeat_y") {
            repeatY_ = value.asBool() ? 1 : 0;
        } else if (key == "rows") {
            rows = value.asInt();
        } else if (key == "cols") {
            cols = value.asInt();
        }
    });
    if (!rows && !cols) return;
    // Judged as a pair: a size is refused whole.
    const long long newRows = rows.value_or(rows_);
    const long long newCols = cols.value_or(cols_);
    if (!validGrid(newRows, newCols)) {
        log("DistortionMesh: grid of %lld rows and %lld columns refused, %u x %u kept (node name: %s)", newRows,
            newCols, rows_, cols_, name_.c_str());
        return;
    }
    rows_ = static_cast<unsigned>(newRows);
    cols_ = static_cast<unsigned>(newCols);
}

void DistortionMesh::onSetup() {
    const float w = size_.x;
    const float h = size_.y;
    float imageWidth = 0.0f;
    float imageHeight = 0.0f;
    if (sourceImage_) {
        sourceImage_->load();
        imageWidth = sourceImage_->getWidth() * sourceImage_->getScale();
        imageHeight = sourceImage_->getHeight() * sourceImage_->getScale();
        if (repeatX_ == 1 || repeatY_ == 1) {
            frame_ = ImageData(*sourceImage_, repeatX_ == 1 ? imageWidth : w, repeatY_ == 1 ? imageHeight : h);
        } else {
            frame_ = *sourceImage_;
        }
    }

    // A second set-up builds the grid afresh.
    auto& vertices = mesh_->vertices;
    auto& indices = mesh_->indices;
    vertices.clear();
    indices.clear();
    if (!validGrid(rows_, cols_)) return;

    const float rows = static_cast<float>(rows_);
    const float cols = static_cast<float>(cols_);
    const float uScale = repeatX_ == 1 && imageWidth > 0.0f ? w / imageWidth : 1.0f;
    const float vScale = repeatY_ == 1 && imageHeight > 0.0f ? h / imageHeight : 1.0f;
    vertices.reserve(static_cast<std::size_t>(rows_ + 1) * (cols_ + 1));
    for (unsigned i = 0; i <= rows_; ++i) {
        for (unsigned j = 0; j <= cols_; ++j) {
            VertexData::Vertex v;
            v.x = static_cast<float>(j) * w / cols;
            v.y = static_cast<float>(i) * h / rows;
            v.u = static_cast<float>(j) / cols * uScale;
            v.v = static_cast<float>(i) / rows * vScale;
            vertices.push_back(v);
        }
    }
    const unsigned s = cols_ + 1;
    indices.reserve(static_cast<std::size_t>(rows_) * cols_ * 6);
    for (unsigned r = 0; r < rows_; ++r) {
        for (unsigned c = 0; c < cols_; ++c) {
            const auto at = [](unsigned index) { return static_cast<std::uint16_t>(index); };
            indices.push_back(at(s * r + c));
            indices.push_back(at(s * r + c + 1));
            indices.push_back(at(s * (r + 1) + c));
            indices.push_back(at(s * (r + 1) + c));
            indices.push_back(at(s * r + c + 1));
            indices.push_back(at(s * (r + 1) + c + 1));
        }
    }
}

void DistortionMesh::onEnterStage() { Scheduler::instance()->add(this); }

void DistortionMesh::onExitStage() { Scheduler::instance()->remove(this); }

void DistortionMesh::onUpdate(float dt) {
    time_ += dt;
    if (rows_ < 2 || cols_ < 2) return;
    auto& vertices = mesh_->vertices;
    const std::size_t stride = static_cast<std::size_t>(cols_) + 1;
    // Not built yet (or refused): nothing to sway.
    if (vertices.size() != stride * (rows_ + 1)) return;

    const float w = size_.x;
    const float h = size_.y;
    const float rows = static_cast<float>(rows_);
    const float cols = static_cast<float>(cols_);
    for (unsigned j = 1; j < rows_; ++j) {
        const float ax =
            swayPixels * cosTable[tableIndex((static_cast<float>(j / 3) + swaySpeed * time_) / twoPi * 1000.0f)];
        const float ay =
            swayPixels * cosTable[tableIndex((swaySpeed * time_ + static_cast<float>(j / 2)) / twoPi * 1000.0f)];
        const float y = static_cast<float>(j) * h / rows + ay;
        VertexData::Vertex* row = vertices.data() + j * stride;
        for (unsigned i = 1; i < cols_; ++i) {
            row[i].x = static_cast<float>(i) * w / cols + ax;
            row[i].y = y;
            row[i].z = 0.0f;
        }
    }
}

void DistortionMesh::draw() {
    Render* render = Render::instance();
    if (!render || mesh_->indices.empty()) return;
    render->setTextureWrap(repeatX_, repeatY_);
    render->setTexture(frame_.getTexture());
    render->draw(mesh_);
    // Wrapping left on would tile every texture drawn after the mesh; this
    // flushes the grid with its own addressing first.
    render->setTextureWrap(0, 0);
}

} // namespace vorn
