#pragma once

#include "scene/Node.h"

namespace vorn {

// A short-lived tree (a sound, a burst, a picture that flies and fades)
// dropped onto a node and forgotten: it plays and then its parent erases it
// after a draw, once more than its lifetime has been counted or earlier
// when it is invisible and empty. Everything below it is erased the same
// way as it ends up invisible and empty.
//
// Time counts from the first entry into the stage, once per frame, also
// while the effect is off the stage; an effect whose parent is not drawn
// is not erased.
class Effect : public virtual Node {
public:
    Effect();
    ~Effect() override;

    void onEnterStage() override;
    void onChildrenEnteredStage() override;
    void onUpdate(float dt) override;
    bool canBeRemoved() const override;

    float getElapsed() const { return elapsed_; }
    float getLifetime() const { return lifetime_; }

private:
    float elapsed_ = 0.0f;
    float lifetime_ = 5.0f;
    bool scheduled_ = false;
};

} // namespace vorn
