#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace vorn {

// An object updated once per frame while it is registered with the
// scheduler. Its destructor takes it off the scheduler, so a destroyed
// object is never called, not even later in a pass that is running.
class Scheduleable {
public:
    Scheduleable() = default;
    Scheduleable(const Scheduleable&) = default;
    Scheduleable& operator=(const Scheduleable&) = default;
    virtual ~Scheduleable();

    virtual void onUpdate(float dt);
};

// Edits to a vector that is being walked: while iterating, additions and
// removals are recorded and applied in request order by apply(); otherwise
// they happen at once.
template <class T>
class vector_operations_queue {
public:
    class change_op {
    public:
        virtual ~change_op() = default;
    };
    class add_op : public change_op {
    public:
        explicit add_op(T* e) : element(e) {}
        T* element;
    };
    class remove_op : public change_op {
    public:
        explicit remove_op(T* e) : element(e) {}
        T* element;
    };

    explicit vector_operations_queue(std::vector<T*>* target) : target_(target) {}

    bool iterating() const { return iterating_; }
    void setIterating(bool iterating) { iterating_ = iterating; }

    // Appends (duplicates allowed).
    void add(T* element) {
        if (iterating_) {
            operations_.push_back(std::make_unique<add_op>(element));
        } else {
            target_->push_back(element);
        }
    }
    // Erases every occurrence.
    void remove(T* element) {
        if (iterating_) {
            operations_.push_back(std::make_unique<remove_op>(element));
        } else {
            std::erase(*target_, element);
        }
    }
    void apply() {
        for (const auto& op : operations_) {
            if (auto* add = dynamic_cast<add_op*>(op.get())) {
                target_->push_back(add->element);
            } else if (auto* remove = dynamic_cast<remove_op*>(op.get())) {
                std::erase(*target_, remove->element);
            }
        }
        operations_.clear();
    }
    // Forgets the recorded edits without applying them.
    void discard() { operations_.clear(); }

private:
    std::vector<T*>* target_;
    std::vector<std::unique_ptr<change_op>> operations_;
    bool iterating_ = false;
};

// Calls every registered object once per frame. Registrations and removals
// made during a pass take effect after it: an object added is first updated
// in the next pass, and one removed still gets its turns in this pass,
// unless it is destroyed meanwhile.
class Scheduler {
public:
    static Scheduler* instance();

    // Duplicates allowed: an object added twice is updated twice per pass.
    void add(Scheduleable* object);
    // Takes out every occurrence.
    void remove(Scheduleable* object);
    // For an object that is going away: remove, and skip whatever turns it
    // still has in the pass that is running. Scheduleable's destructor
    // calls it.
    void forget(Scheduleable* object);
    void update(float dt);

    // How often the object is listed now (changes queued by a pass count
    // only once it ends).
    std::size_t count(const Scheduleable* object) const;

    // For tests: forgets every registered object and every queued change,
    // so that nothing a finished test left registered is updated in the
    // next one. Does nothing when the scheduler was never made; not during
    // a pass.
    static void resetForTests();

private:
    Scheduler();

    std::vector<Scheduleable*> list_;
    vector_operations_queue<Scheduleable> changes_;
};

} // namespace vorn
