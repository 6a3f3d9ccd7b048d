#pragma once

#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <memory>
#include <string>

// The draggable picture of one artifact part: a tile of the album's parts
// list holds one, and the game screen's win popup shows the parts just won
// with them. A press on it lifts it onto the scene, which moves it with the
// pointer and offers it to the artifact places under it on release.
class ArtifactPartNode : public vorn::Node {
public:
    explicit ArtifactPartNode(const std::string& partId);
    ~ArtifactPartNode() override;

    // Any button lifts the part; the point is in the parent's space.
    bool mouseDown(const glm::vec2& point, vorn::eButtonName button) override;
    void onStartDrag() override;
    void onCancelDrag() override;

    // The tile the part was pressed in leaves the running scene's parts list.
    void removeTile();

    const std::string& partId() const { return partId_; }
    const std::string& groupId() const { return groupId_; }
    glm::vec2 grabOffset() const { return grabOffset_; }

private:
    glm::vec2 grabOffset_{0.0f, 0.0f};
    glm::vec2 savedAnchor_{0.0f, 0.0f};
    std::string partId_;
    std::string groupId_;
    // Weak: a part returned to its tile is the tile's child, and the two
    // must not keep each other alive once the list lets the tile go.
    std::weak_ptr<vorn::Node> tile_;
};
