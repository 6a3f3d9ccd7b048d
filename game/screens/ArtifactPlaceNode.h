#pragma once

#include "scene/Node.h"

#include <memory>
#include <string>

// The drop target laid over one artifact on an album page. It takes only
// the parts of its own artifact, and only those the collection accepts:
// the placement is saved to the users file before the part's picture
// appears in its place.
class ArtifactPlaceNode : public vorn::Node {
public:
    explicit ArtifactPlaceNode(const std::string& groupId);
    ~ArtifactPlaceNode() override;

    bool onDrop(const std::shared_ptr<vorn::Node>& dragged, const glm::vec2& point) override;
    // A place shows nothing while a part passes over it.
    bool onDragOver(const std::shared_ptr<vorn::Node>& dragged, const glm::vec2& point) override;

    const std::string& groupId() const { return groupId_; }
    // The picture of a placed part, where it belongs inside the artifact.
    void showPart(const std::string& partId);

private:
    std::string groupId_;
};
