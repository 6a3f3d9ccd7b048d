#include "widgets/Slideshow.h"

#include "core/EventDispatcher.h"
#include "core/Scheduler.h"
#include "core/VM.h"
#include "scene/LoadContext.h"

namespace vorn {

namespace {

const Color clear(0.0f, 0.0f, 0.0f, 0.0f);
const Color white(1.0f, 1.0f, 1.0f, 1.0f);

} // namespace

Slideshow::Slideshow() { setStateStop(true); }

Slideshow::~Slideshow() = default;

bool Slideshow::mouseDown(const glm::vec2& point, eButtonName) {
    if (phase_ == SHOWING) {
        phase_ = FADING_OUT;
        elapsed_ = 0.0f;
    }
    return containsPoint(point);
}

void Slideshow::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "in_len") {
            inLength_ = value.asFloat();
        } else if (key == "show_len") {
            showLength_ = value.asFloat();
        } else if (key == "out_len") {
            outLength_ = value.asFloat();
        } else if (key == "on_finish") {
            onFinish_ = value.toString();
        }
    });
}

void Slideshow::onEnterStage() {
    nextSlide();
    elapsed_ = 0.0f;
    if (currentSlide()) Scheduler::instance()->add(this);
}

void Slideshow::onExitStage() { Scheduler::instance()->remove(this); }

void Slideshow::onChildAdded(const std::shared_ptr<Node>& child) {
    slides_.push_back(child);
    child->setColor(clear);
}

void Slideshow::nextSlide() {
    ++slideIndex_;
    if (slideIndex_ < static_cast<int>(slides_.size())) {
        currentSlide_ = slides_[static_cast<std::size_t>(slideIndex_)];
        phase_ = FADING_IN;
        elapsed_ = 0.0f;
        return;
    }
    currentSlide_.reset();
    Scheduler::instance()->remove(this);
    EventDispatcher::instance()->post(new FinishEvent(this));
    if (!onFinish_.empty()) VM::execute(onFinish_);
}

void Slideshow::setSlideColor(const Color& color) {
    if (const std::shared_ptr<Node> slide = currentSlide()) slide->setColor(color);
}

void Slideshow::onUpdate(float dt) {
    // A script run at the end of the show may release this node.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    elapsed_ += dt;
    switch (phase_) {
    case FADING_IN:
        if (elapsed_ >= inLength_) {
            phase_ = SHOWING;
            elapsed_ -= inLength_;
            setSlideColor(white);
        } else {
            setSlideColor(Color::lerp(clear, white, elapsed_ / inLength_));
        }
        break;
    case SHOWING:
        if (elapsed_ >= showLength_) {
            phase_ = FADING_OUT;
            elapsed_ -= showLength_;
        }
        break;
    case FADING_OUT:
        if (elapsed_ >= outLength_) {
            // Fully clear: the last fade step leaves a faint ghost otherwise.
            setSlideColor(clear);
            nextSlide();
        } else {
            setSlideColor(Color::lerp(white, clear, elapsed_ / outLength_));
        }
        break;
    default:
        break;
    }
}

} // namespace vorn
