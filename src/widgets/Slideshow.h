#pragma once

#include "core/Event.h"
#include "scene/Node.h"

#include <memory>
#include <string>
#include <vector>

namespace vorn {

// Shows its children one after another: each fades in from clear, stays,
// and fades out to clear; after the last one it posts FinishEvent and runs
// its "on_finish" script. A press while a slide is fully shown starts its
// fade-out at once. Runs on the scheduler while on stage.
class Slideshow : public virtual Node {
public:
    class FinishEvent : public Event {
    public:
        using Event::Event;
    };

    enum Phase { FADING_IN = 0, SHOWING = 1, FADING_OUT = 2 };

    Slideshow();
    ~Slideshow() override;

    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    // "in_len", "show_len", "out_len" (seconds) and "on_finish".
    void setProperties(const Attributes& attributes) override;
    void onEnterStage() override;
    void onExitStage() override;
    // Every child added becomes a slide, clear until its turn.
    void onChildAdded(const std::shared_ptr<Node>& child) override;
    void onUpdate(float dt) override;

    // The next slide, or the end of the show.
    void nextSlide();

    std::shared_ptr<Node> currentSlide() const { return currentSlide_.lock(); }
    int getSlideIndex() const { return slideIndex_; }
    int getPhase() const { return phase_; }
    float getElapsed() const { return elapsed_; }
    const std::vector<std::shared_ptr<Node>>& slides() const { return slides_; }

private:
    void setSlideColor(const Color& color);

    std::weak_ptr<Node> currentSlide_;
    std::vector<std::shared_ptr<Node>> slides_;
    float inLength_ = 1.0f;
    float showLength_ = 2.0f;
    float outLength_ = 1.0f;
    float elapsed_ = 0.0f;
    int slideIndex_ = -1;
    int phase_ = FADING_IN;
    std::string onFinish_;
};

} // namespace vorn
