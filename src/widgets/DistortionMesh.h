#pragma once

#include "render/ImageData.h"
#include "scene/Node.h"

#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>

namespace vorn {

class VertexData;

// One image stretched over a grid of rows x columns quads whose inner rows
// sway with time, so the picture ripples while its border stays put.
class DistortionMesh : public virtual Node {
public:
    static constexpr int cosTableSize = 1000;
    // cos(i * 2 pi / 1000), shared by every mesh.
    static float cosTable[cosTableSize];
    static void initCosTable();

    // The grid's indices are 16 bits wide.
    static constexpr std::uint64_t maxVertices = 65536;

    DistortionMesh();
    ~DistortionMesh() override;

    // A grid of at least one row and one column within 65,536 vertices;
    // other sizes are refused with a log line and the grid stays as it was.
    // Both mark the node for set-up again.
    void setGrid(unsigned rows, unsigned cols);
    void setImage(const ImageData& image);
    void setImage(const std::shared_ptr<ImageData>& image);
    // The resting position of a grid vertex for the node's present size.
    glm::vec3 vertexAt(unsigned row, unsigned col) const;

    unsigned getRows() const { return rows_; }
    unsigned getCols() const { return cols_; }
    float getTime() const { return time_; }
    const std::shared_ptr<VertexData>& getMesh() const { return mesh_; }
    const ImageData& getFrame() const { return frame_; }

    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void draw() override;
    void onEnterStage() override;
    void onExitStage() override;
    void onUpdate(float dt) override;

private:
    static bool validGrid(long long rows, long long cols);

    std::shared_ptr<ImageData> sourceImage_;
    ImageData frame_;
    int repeatX_ = 0;
    int repeatY_ = 0;
    unsigned rows_ = 30;
    unsigned cols_ = 40;
    std::shared_ptr<VertexData> mesh_;
    float time_ = 0.0f;
};

} // namespace vorn
