#include "scene/Action.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "scene/ActionFactory.h"
#include "scene/LoadContext.h"
#include "scene/Node.h"

#include <tinyxml2.h>

#include <cmath>
#include <exception>
#include <utility>

namespace vorn {

namespace {

// Time this close to an action's end counts as the end: the steps are
// floats, and their sum may round to just below the duration.
constexpr double endTolerance = 1e-6;

// A negative duration would never end a sequence it sits in.
float sane(float duration) {
    if (duration >= 0.0f) return duration;
    log("IntervalAction: duration %f, 0 used", static_cast<double>(duration));
    return 0.0f;
}

} // namespace

Action::~Action() = default;

void Action::loadFromXML(const tinyxml2::XMLElement* element) {
    if (!element) return;
    const LoadContext::Element context(element);
    Attributes attributes;
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        attributes[a->Name()] = Value(a->Value());
    }
    setup(attributes);
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (std::unique_ptr<Action> inner = ActionFactory::instance()->createOwned(child)) {
            addChild(std::move(inner));
        }
    }
}

void Action::setup(const Attributes& attributes) {
    const auto content = attributes.find("content");
    if (content == attributes.end()) return;
    const std::string file = content->second.toString();
    const auto document = std::dynamic_pointer_cast<XMLDocument>(ResourceManager::instance()->getResource(file));
    // A missing or malformed file has been logged by the resource manager.
    if (!document || !document->root()) return;
    // A file that names itself, directly or through others, or a fan of
    // files that name each other many times over, would otherwise be read
    // without end.
    const LoadContext::File entered(file, "Action content");
    if (!entered.entered()) return;
    try {
        loadFromXML(document->root());
    } catch (const std::exception& e) {
        log("Can't open or parse: %s [%s]", file.c_str(), e.what());
    }
}

void Action::addChild(std::unique_ptr<Action>) {}

const Action* Action::find(std::type_index type) const {
    return std::type_index(typeid(*this)) == type ? this : nullptr;
}

void Action::start(std::shared_ptr<Node> target) {
    target_ = std::move(target);
    started_ = true;
    onStart();
}

void Action::restart() {
    started_ = false;
    onStart();
}

void Action::finish() {
    started_ = false;
    onFinish();
}

void Action::stop() { started_ = false; }

IntervalAction::IntervalAction(float duration) : duration_(sane(duration)) {}

void IntervalAction::setDuration(float duration) { duration_ = sane(duration); }

void IntervalAction::setup(const Attributes& attributes) {
    Action::setup(attributes);
    LoadContext::find(attributes, "d", [this](const Value& d) {
        const float seconds = d.asFloat();
        if (seconds < 0.0f) LoadContext::report("d", d, "is negative, 0 used");
        duration_ = seconds < 0.0f ? 0.0f : seconds;
    });
}

void IntervalAction::onStart() {
    elapsed_ = 0.0;
    update(0.0f);
}

void IntervalAction::onFinish() { elapsed_ = duration_; }

bool IntervalAction::isDone() const { return duration_ > 0.0f ? elapsed_ >= duration_ : started_; }

void IntervalAction::step(float dt) {
    elapsed_ += dt;
    if (duration_ == 0.0f) {
        update(1.0f);
        return;
    }
    if (duration_ > 0.0f && elapsed_ < duration_ && elapsed_ >= duration_ - endTolerance) elapsed_ = duration_;
    const float q = static_cast<float>(elapsed_ / duration_);
    if (!std::isfinite(q)) {
        update(1.0f);
        return;
    }
    update(q < 1.0f ? q : 1.0f);
}

IntervalFunctionAction::IntervalFunctionAction(float duration, Function function)
    : IntervalAction(duration), function_(std::move(function)) {}

IntervalFunctionAction::IntervalFunctionAction(Function function) : function_(std::move(function)) {}

void IntervalFunctionAction::update(float t) { function_(target_.get(), t); }

} // namespace vorn
