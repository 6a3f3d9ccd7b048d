#pragma once

#include "scene/Node.h"

#include <memory>

namespace vorn {

// Places its children one after another: a single column, lines that wrap
// at the list's width, or columns that wrap at its height. It arranges
// again whenever a child is added or removed; nothing else (a later change
// of the list's or a child's size) takes effect before that.
class NodeList : public virtual Node {
public:
    enum ArrangeMode { VERTICAL = 0, HORIZONTAL_LINES = 1, VERTICAL_LINES = 2 };

    NodeList();
    ~NodeList() override;

    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    // "arrangeMode": "vertical", "horizontal_lines" / "horizontalLines" or
    // "vertical_lines" / "verticalLines"; any other text keeps the mode.
    void setProperties(const Attributes& attributes) override;
    void onChildAdded(const std::shared_ptr<Node>& child) override;
    void onChildrenRemoved() override;

    // The single column places only the added child (below all the others);
    // the wrapping modes place every child.
    void arrange(const std::shared_ptr<Node>& added);

    int getArrangeMode() const { return arrangeMode_; }
    void setArrangeMode(int mode) { arrangeMode_ = mode; }

private:
    void arrangeColumn(const std::shared_ptr<Node>& added);
    void arrangeLines();
    void arrangeColumns();

    int arrangeMode_ = HORIZONTAL_LINES;
};

} // namespace vorn
