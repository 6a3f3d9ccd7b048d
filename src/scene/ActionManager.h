#pragma once

#include <memory>
#include <typeindex>
#include <vector>

namespace vorn {

class Action;
class Node;

// Owns every running action and advances them once per frame, in steps of
// at most 1/120 s. Additions and removals asked for while a pass walks the
// actions are recorded and applied in request order when the pass is over.
// A finished action is reported to its node's action-finished callback and
// deleted; an action is taken out of the list before it is deleted, since
// deleting it may destroy its node, whose destructor comes back here.
class ActionManager {
public:
    static ActionManager* instance();

    ActionManager(const ActionManager&) = delete;
    ActionManager& operator=(const ActionManager&) = delete;

    // Takes ownership of a started action with a target.
    void addAction(Action* action);
    // Drops, without their finished callback, every action of the node.
    void removeTarget(Node* node);
    // The same for the node's actions of exactly that class; with wrapped,
    // also those that hold one of that class somewhere inside.
    void removeTargetActions(Node* node, std::type_index type, bool wrapped = false);
    // Actions still waiting to be added do not count.
    bool hasActions(Node* node) const;
    void update(float dt);

    std::size_t size() const { return actions_.size(); }

    // For tests: drops every action, running or waiting to be added, without
    // a finished callback, so that nothing a finished test started (with
    // captures of its stack) runs in the next one. Does nothing when the
    // manager was never made, and must not be called during a pass.
    static void resetForTests();

private:
    struct ChangeOperation {
        enum Kind { Add, RemoveTarget, RemoveTargetActions };
        Kind kind;
        Action* action = nullptr;
        // Only compared, never dereferenced.
        Node* node = nullptr;
        std::type_index type = std::type_index(typeid(void));
        bool wrapped = false;
    };

    ActionManager() = default;
    void pass(float dt);
    void apply();
    template <typename Predicate>
    void removeIf(Predicate predicate);

    std::vector<ChangeOperation> queue_;
    std::vector<std::unique_ptr<Action>> actions_;
    bool updating_ = false;
};

} // namespace vorn
