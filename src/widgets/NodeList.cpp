#include "widgets/NodeList.h"

namespace vorn {

NodeList::NodeList() { setStateStop(true); }

NodeList::~NodeList() = default;

bool NodeList::mouseMove(const glm::vec2& point, eButtonName button) { return Node::mouseMove(point, button); }

void NodeList::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    const auto mode = attributes.find("arrangeMode");
    if (mode == attributes.end()) return;
    const std::string text = mode->second.toString();
    if (text == "vertical") {
        arrangeMode_ = VERTICAL;
    } else if (text == "horizontal_lines" || text == "horizontalLines") {
        arrangeMode_ = HORIZONTAL_LINES;
    } else if (text == "vertical_lines" || text == "verticalLines") {
        arrangeMode_ = VERTICAL_LINES;
    }
}

void NodeList::onChildAdded(const std::shared_ptr<Node>& child) { arrange(child); }

void NodeList::onChildrenRemoved() { arrange(nullptr); }

void NodeList::arrange(const std::shared_ptr<Node>& added) {
    if (children().empty()) return;
    switch (arrangeMode_) {
    case VERTICAL:
        arrangeColumn(added);
        break;
    case HORIZONTAL_LINES:
        arrangeLines();
        break;
    case VERTICAL_LINES:
        arrangeColumns();
        break;
    default:
        break;
    }
}

void NodeList::arrangeColumn(const std::shared_ptr<Node>& added) {
    // Anchors are not taken into account and x stays as it is.
    if (added) {
        float y = 0.0f;
        for (const auto& child : children()) {
            if (child != added) y += child->getSize().y;
        }
        added->setPosition(added->getPosition().x, y);
        return;
    }
    float y = 0.0f;
    for (const auto& child : children()) {
        child->setPosition(child->getPosition().x, y);
        y += child->getSize().y;
    }
}

// A line's extent is the union of the bounds of the children on it, the
// one that opened it included, and the next line starts below that extent
// (a child that wraps does not count for the line it leaves). The first
// child of a line never wraps: a child wider than the list gets a line of
// its own instead of leaving an empty one above it.
void NodeList::arrangeLines() {
    const float width = getSize().x;
    float lineTop = 0.0f;
    float x = 0.0f;
    bool lineEmpty = true;
    Rect bounds;
    for (const auto& child : children()) {
        const glm::vec2 anchor = child->getAnchor();
        child->setPosition(x + anchor.x, lineTop + anchor.y);
        if (lineEmpty) {
            bounds = child->getBounds();
            lineEmpty = false;
            x += child->getSize().x;
            continue;
        }
        const Rect line = bounds;
        bounds.unite(child->getBounds());
        if (bounds.w > width) {
            lineTop += line.h;
            child->setPosition(anchor.x, lineTop + anchor.y);
            bounds = child->getBounds();
            x = child->getSize().x;
        } else {
            x += child->getSize().x;
        }
    }
}

// The same as the lines, turned by a quarter: anchors are not added, so a
// centred child overlaps its column's left edge.
void NodeList::arrangeColumns() {
    const float height = getSize().y;
    float columnLeft = 0.0f;
    float y = 0.0f;
    bool columnEmpty = true;
    Rect bounds;
    for (const auto& child : children()) {
        child->setPosition(columnLeft, y);
        if (columnEmpty) {
            bounds = child->getBounds();
            columnEmpty = false;
            y += child->getSize().y;
            continue;
        }
        const Rect column = bounds;
        bounds.unite(child->getBounds());
        if (bounds.h > height) {
            columnLeft += column.w;
            child->setPosition(columnLeft, 0.0f);
            bounds = child->getBounds();
            y = child->getSize().y;
        } else {
            y += child->getSize().y;
        }
    }
}

} // namespace vorn
