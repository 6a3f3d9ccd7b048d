#include "scene/ActionManager.h"

#include "core/Log.h"
#include "scene/Action.h"
#include "scene/Node.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace vorn {

namespace {

// The longest step an action ever sees.
constexpr float stepLimit = 1.0f / 120.0f;

} // namespace

namespace {

ActionManager* made = nullptr;

} // namespace

ActionManager* ActionManager::instance() {
    static ActionManager* manager = made = new ActionManager();
    return manager;
}

void ActionManager::resetForTests() {
    if (made == nullptr) return;
    // Deleting an action may release the last owner of its node, whose
    // destructor comes back here: the lists are emptied first, and whatever
    // those destructors queue goes in the next round.
    while (!made->actions_.empty() || !made->queue_.empty()) {
        std::vector<std::unique_ptr<Action>> actions = std::move(made->actions_);
        std::vector<ChangeOperation> queue = std::move(made->queue_);
        made->actions_.clear();
        made->queue_.clear();
        for (const ChangeOperation& op : queue) {
            if (op.kind == ChangeOperation::Add) actions.emplace_back(op.action);
        }
        actions.clear();
    }
}

void ActionManager::addAction(Action* action) {
    if (!action) return;
    if (updating_) {
        queue_.push_back(ChangeOperation{ChangeOperation::Add, action});
        return;
    }
    actions_.emplace_back(action);
}

template <typename Predicate>
void ActionManager::removeIf(Predicate predicate) {
    // Out of the list first: deleting an action may release the last owner
    // of its node, and the node's destructor removes its actions again.
    std::vector<std::unique_ptr<Action>> removed;
    auto kept = actions_.begin();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        if (predicate(**it)) {
            removed.push_back(std::move(*it));
        } else {
            if (kept != it) *kept = std::move(*it);
            ++kept;
        }
    }
    actions_.erase(kept, actions_.end());
}

void ActionManager::removeTarget(Node* node) {
    if (updating_) {
        queue_.push_back(ChangeOperation{ChangeOperation::RemoveTarget, nullptr, node});
        return;
    }
    removeIf([node](const Action& action) { return action.target() == node; });
}

void ActionManager::removeTargetActions(Node* node, std::type_index type, bool wrapped) {
    if (updating_) {
        queue_.push_back(ChangeOperation{ChangeOperation::RemoveTargetActions, nullptr, node, type, wrapped});
        return;
    }
    removeIf([node, type, wrapped](const Action& action) {
        if (action.target() != node) return false;
        return wrapped ? action.holds(type) : std::type_index(typeid(action)) == type;
    });
}

bool ActionManager::hasActions(Node* node) const {
    return std::any_of(actions_.begin(), actions_.end(), [node](const auto& a) { return a->target() == node; });
}

void ActionManager::update(float dt) {
    if (updating_) {
        log("ActionManager::update: called during a pass, ignored");
        return;
    }
    // The remainder in double, so that the steps add up to the frame.
    double left = dt;
    while (left > stepLimit) {
        pass(stepLimit);
        left -= stepLimit;
    }
    pass(static_cast<float>(left));
}

void ActionManager::pass(float dt) {
    updating_ = true;
    struct EndWalk {
        bool& updating;
        ~EndWalk() { updating = false; }
    } endWalk{updating_};
    std::size_t i = 0;
    while (i < actions_.size()) {
        Action* action = actions_[i].get();
        action->step(dt);
        if (!action->isDone()) {
            ++i;
            continue;
        }
        // Held until the action is gone, so the callback's node outlives it.
        const std::shared_ptr<Node> node = action->getTarget();
        // The callback may replace or clear the node's callback, which
        // would destroy the closure it runs in: it runs from a copy.
        if (const std::function<void(Action*)> callback = node ? node->actionFinishedCallback() : nullptr) {
            callback(action);
        }
        std::unique_ptr<Action> finished = std::move(actions_[i]);
        actions_.erase(actions_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    updating_ = false;
    apply();
}

void ActionManager::apply() {
    // Applying may destroy nodes whose destructors come back with removals
    // of their own; those now act at once, so the queue is taken whole.
    std::vector<ChangeOperation> queue = std::move(queue_);
    queue_.clear();
    for (const ChangeOperation& op : queue) {
        switch (op.kind) {
        case ChangeOperation::Add:
            actions_.emplace_back(op.action);
            break;
        case ChangeOperation::RemoveTarget:
            removeTarget(op.node);
            break;
        case ChangeOperation::RemoveTargetActions:
            removeTargetActions(op.node, op.type, op.wrapped);
            break;
        }
    }
}

} // namespace vorn
