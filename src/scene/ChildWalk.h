#pragma once

#include "scene/Node.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace vorn {

// The children of a node as they are when a walk begins, kept alive until
// it ends, so that hooks run during the walk may change the child list of
// any node. The copies go on one stack shared by all walks, so a walk
// costs no allocation once the stack has grown.
class ChildWalk {
public:
    explicit ChildWalk(const Node& parent) : parent_(&parent), begin_(stack().size()) {
        stack().insert(stack().end(), parent.children().begin(), parent.children().end());
        end_ = stack().size();
    }
    ~ChildWalk() {
        // One at a time, so that a node destroyed here finds the stack whole.
        while (stack().size() > begin_) {
            const std::shared_ptr<Node> last = std::move(stack().back());
            stack().pop_back();
        }
    }
    ChildWalk(const ChildWalk&) = delete;
    ChildWalk& operator=(const ChildWalk&) = delete;

    std::size_t size() const { return end_ - begin_; }
    // The child at index i, or null when it has left the parent since the
    // walk began. Nested walks may move the stack: hold the pointer, not a
    // reference into it.
    Node* at(std::size_t i) const {
        Node* child = stack()[begin_ + i].get();
        return child->parent() == parent_ ? child : nullptr;
    }

private:
    static std::vector<std::shared_ptr<Node>>& stack() {
        static std::vector<std::shared_ptr<Node>> nodes;
        return nodes;
    }

    const Node* parent_;
    std::size_t begin_;
    std::size_t end_ = 0;
};

} // namespace vorn
