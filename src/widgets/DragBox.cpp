#include "widgets/DragBox.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Log.h"
#include "core/Scheduler.h"
#include "core/VM.h"
#include "scene/Action.h"
#include "scene/ActionManager.h"
#include "scene/LoadContext.h"
#include "scene/Scene.h"
#include "widgets/BoundValue.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <typeinfo>
#include <utility>

namespace vorn {

namespace {

// Its own class, so that the box can take exactly its slides off the
// action manager.
class DragBoxSlide : public IntervalFunctionAction {
public:
    using IntervalFunctionAction::IntervalFunctionAction;
};

std::function<std::int64_t()>& testClock() {
    static std::function<std::int64_t()> clock;
    return clock;
}

std::shared_ptr<Scene> runningScene() {
    const Application* app = Application::instance();
    return app ? app->runningScene() : nullptr;
}

// Where v stands between the limits, 0 at the minimum and 1 at the maximum.
// Equal limits have no range to stand in: the box counts as at its maximum.
float fraction(float v, float low, float high) {
    const float range = high - low;
    if (range == 0.0f) return 1.0f;
    return (v - low) / range;
}

float clampAxis(float v, float low, float high) {
    v = std::max(v, low);
    if (v >= high) v = high;
    return v;
}

} // namespace

DragBox::DragBox() = default;

DragBox::~DragBox() = default;

void DragBox::setClockForTesting(std::function<std::int64_t()> clock) { testClock() = std::move(clock); }

std::int64_t DragBox::now() {
    if (testClock()) return testClock()();
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::int64_t>(us) * 1000;
}

void DragBox::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "dataSource") {
            setDataSource(value.toString());
        } else if (key == "drag_vertically" || key == "dragVertically") {
            dragVertically_ = value.asBool();
        } else if (key == "drag_horizontally" || key == "dragHorizontally") {
            dragHorizontally_ = value.asBool();
        } else if (key == "min_displacement_x" || key == "minDisplacementX") {
            minDisplacement_.x = value.asFloat();
        } else if (key == "min_displacement_y" || key == "minDisplacementY") {
            minDisplacement_.y = value.asFloat();
        } else if (key == "max_displacement_x" || key == "maxDisplacementX") {
            maxDisplacement_.x = value.asFloat();
        } else if (key == "max_displacement_y" || key == "maxDisplacementY") {
            maxDisplacement_.y = value.asFloat();
        } else if (key == "slidingSpeed" || key == "sliding_speed") {
            slidingSpeed_ = value.asFloat();
        } else if (key == "maxNearestChildDistance") {
            maxNearestChildDistance_ = value.asFloat();
            hasMaxNearestChildDistance_ = true;
        }
    });
}

void DragBox::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement("stops"); child;
         child = child->NextSiblingElement("stops")) {
        parseStops(child);
    }
}

void DragBox::parseStops(const tinyxml2::XMLElement* stops) {
    if (!stops) return;
    for (const tinyxml2::XMLElement* e = stops->FirstChildElement("stop"); e; e = e->NextSiblingElement("stop")) {
        const LoadContext::Element context(e);
        Stop stop;
        if (const char* x = e->Attribute("x")) LoadContext::attribute("x", Value(x), [&] { stop.x = Value(x).asFloat(); });
        if (const char* y = e->Attribute("y")) LoadContext::attribute("y", Value(y), [&] { stop.y = Value(y).asFloat(); });
        if (const char* name = e->Attribute("name")) {
            stop.name = name;
            stopIndexByName_[stop.name] = static_cast<int>(stops_.size());
        }
        if (const char* script = e->Attribute("on_activate")) stop.onActivate = script;
        stops_.push_back(std::move(stop));
    }
}

void DragBox::onSetup() {
    // Hover is heard and ignored; the wheel moves the enabled axes.
    auto* dispatcher = EventDispatcher::instance();
    dispatcher->addListener(this, new EventListener(typeid(MouseEnterEvent), [](Event*) {}), true);
    dispatcher->addListener(this, new EventListener(typeid(MouseLeaveEvent), [](Event*) {}), true);
    dispatcher->addListener(this, new EventListener(typeid(ScrollEvent), [this](Event* e) {
                                const glm::vec2 delta = static_cast<ScrollEvent*>(e)->delta();
                                glm::vec3 d = displacement_;
                                if (dragHorizontally_) d.x += delta.x;
                                if (dragVertically_) d.y += delta.y;
                                setDisplacement(d);
                            }),
                            true);
}

void DragBox::onEnterStage() {
    Node::onEnterStage();
    connect();
}

void DragBox::onExitStage() {
    Node::onExitStage();
    stopInertia();
    velocity_ = glm::vec2(0.0f);
    // The stage exit takes the node's actions off the action manager.
    ++slideGeneration_;
    sliding_ = false;
    if (dragging_) {
        dragging_ = false;
        if (const auto scene = runningScene()) scene->releaseMouseCapture(this);
    }
}

void DragBox::setDisplacement(const glm::vec3& d) {
    if (d == displacement_) return;
    if (hasMaxNearestChildDistance_) {
        const glm::vec2 p = halfSize() - glm::vec2(d.x, d.y);
        if (nearestNamedChildDistance(p) >= maxNearestChildDistance_) return;
    }
    displacement_ = d;
    displacement_.x = clampAxis(displacement_.x, minDisplacement_.x, maxDisplacement_.x);
    displacement_.y = clampAxis(displacement_.y, minDisplacement_.y, maxDisplacement_.y);
    setTransform(glm::translate(glm::mat4(1.0f), displacement_));
    publish();
}

void DragBox::publish() {
    if (getDataSourceName().empty()) return;
    float t = 0.0f;
    if (dragVertically_) t = fraction(displacement_.y, minDisplacement_.y, maxDisplacement_.y);
    if (dragHorizontally_) t = fraction(displacement_.x, minDisplacement_.x, maxDisplacement_.x);
    struct Publishing {
        bool& flag;
        bool old;
        explicit Publishing(bool& f) : flag(f), old(f) { flag = true; }
        ~Publishing() { flag = old; }
        Publishing(const Publishing&) = delete;
        Publishing& operator=(const Publishing&) = delete;
    } publishing(publishing_);
    getDataSource()->set(Value(static_cast<double>(1.0f - t)));
}

void DragBox::onValueChanged(const Value& value) {
    if (publishing_) return;
    if (!dragHorizontally_ && !dragVertically_) return;
    const std::optional<float> read = boundFloat(value, "DragBox", getDataSourceName());
    if (!read) return;
    const float v = *read;
    // Both axes in one step: two steps would each put the other axis at 0.
    glm::vec3 d(0.0f);
    if (dragVertically_) d.y = (maxDisplacement_.y - minDisplacement_.y) * (1.0f - v) + minDisplacement_.y;
    if (dragHorizontally_) d.x = (maxDisplacement_.x - minDisplacement_.x) * (1.0f - v) + minDisplacement_.x;
    setDisplacement(d);
}

glm::vec2 DragBox::displacementToCenter(const std::shared_ptr<Node>& child) const {
    if (!child) return halfSize();
    return halfSize() - child->getPosition();
}

float DragBox::nearestNamedChildDistance(const glm::vec2& point) const {
    const Children& all = children();
    if (all.empty()) return 0.0f;
    float best = glm::distance(point, all.front()->getPosition());
    for (const auto& child : all) {
        if (child->getName().empty()) continue;
        best = std::min(best, glm::distance(point, child->getPosition()));
    }
    return best;
}

std::shared_ptr<Node> DragBox::nearestChild(const glm::vec2& point) const {
    std::shared_ptr<Node> nearest;
    float best = 0.0f;
    for (const auto& child : children()) {
        const float distance = glm::distance(point, child->getPosition());
        if (!nearest || distance < best) {
            nearest = child;
            best = distance;
        }
    }
    return nearest;
}

bool DragBox::mouseDown(const glm::vec2& point, eButtonName) {
    stopSlide();
    dragging_ = true;
    grabOffset_ = point - glm::vec2(displacement_.x, displacement_.y);
    pressPoint_ = point;
    pressTime_ = now();
    stopInertia();
    if (const auto scene = runningScene()) scene->setMouseCapture(shared_from_this());
    return true;
}

bool DragBox::mouseMove(const glm::vec2& point, eButtonName button) {
    if (!dragging_) return Node::mouseMove(point, button);
    glm::vec3 d(0.0f);
    if (dragHorizontally_) d.x = point.x - grabOffset_.x;
    if (dragVertically_) d.y = point.y - grabOffset_.y;
    setDisplacement(d);
    return true;
}

bool DragBox::mouseUp(const glm::vec2& point, eButtonName button) {
    if (!dragging_) return Node::mouseUp(point, button);
    // A child's click may replace the scene and drop the last other owner.
    const std::shared_ptr<Node> self = shared_from_this();
    dragging_ = false;
    if (const auto scene = runningScene()) scene->releaseMouseCapture(this);

    const glm::vec2 delta = point - pressPoint_;
    if (glm::length(delta) < clickDistance) {
        Node::mouseMove(point, button);
        Node::mouseDown(point, button);
        Node::mouseUp(point, button);
        return true;
    }

    if (!stops_.empty()) {
        const glm::vec2 target = glm::vec2(displacement_.x, displacement_.y) + delta;
        std::size_t nearest = 0;
        float best = 1e10f;
        for (std::size_t i = 0; i < stops_.size(); ++i) {
            const float distance = glm::distance(target, glm::vec2(stops_[i].x, stops_[i].y));
            if (distance < best) {
                best = distance;
                nearest = i;
            }
        }
        const Stop stop = stops_[nearest];
        startSlide({stop.x, stop.y}, false);
        activate(stop);
        return true;
    }

    const double elapsed = std::max(static_cast<double>(now() - pressTime_) / 1e9, minFlickTime);
    velocity_.x = dragHorizontally_ ? static_cast<float>(delta.x / elapsed) : 0.0f;
    velocity_.y = dragVertically_ ? static_cast<float>(delta.y / elapsed) : 0.0f;
    if (!inertia_) {
        inertia_ = true;
        Scheduler::instance()->add(this);
    }
    return true;
}

void DragBox::onUpdate(float dt) {
    if (dragging_) return;
    setDisplacement(displacement_ + glm::vec3(velocity_ * dt, 0.0f));
    const float speed = glm::length(velocity_);
    if (speed < deceleration * dt) {
        velocity_ = glm::vec2(0.0f);
        stopInertia();
    } else {
        velocity_ -= velocity_ / speed * deceleration * dt;
    }
}

void DragBox::stopInertia() {
    if (!inertia_) return;
    inertia_ = false;
    Scheduler::instance()->remove(this);
}

void DragBox::stopSlide() {
    if (!sliding_) return;
    ++slideGeneration_;
    sliding_ = false;
    ActionManager::instance()->removeTargetActions(this, typeid(DragBoxSlide));
}

void DragBox::startSlide(const glm::vec2& target, bool logSteps) {
    stopSlide();
    const glm::vec3 start = displacement_;
    const glm::vec3 end(target.x, target.y, 0.0f);
    // A speed that is no positive number would never arrive: go at once.
    float duration = slidingSpeed_ > 0.0f ? glm::distance(start, end) / slidingSpeed_ : 0.0f;
    if (!std::isfinite(duration)) duration = 0.0f;
    const std::uint64_t generation = ++slideGeneration_;
    sliding_ = true;
    runAction(new DragBoxSlide(duration, [this, start, end, generation, logSteps](Node*, float t) {
        if (generation != slideGeneration_) return;
        if (logSteps) log("slideTo sd t:%f", static_cast<double>(t));
        setDisplacement(start + t * (end - start));
        if (t >= 1.0f && generation == slideGeneration_) sliding_ = false;
    }));
}

void DragBox::slideTo(const glm::vec2& target) { startSlide(target, true); }

void DragBox::activate(const Stop& stop) {
    if (stop.onActivate.empty()) return;
    // The script may end this box; the text is the caller's copy.
    const std::string script = stop.onActivate;
    VM::execute(script);
}

void DragBox::slide(const glm::vec2& velocity) {
    if (stops_.empty()) return;
    const Stop* chosen = nullptr;
    float best = 1e10f;
    for (const Stop& stop : stops_) {
        const float dx = stop.x - displacement_.x;
        const float dy = stop.y - displacement_.y;
        const bool ahead = (dx > 0.0f && velocity.x > 0.0f) || (dx < 0.0f && velocity.x < 0.0f) ||
                           (dy > 0.0f && velocity.y > 0.0f) || (dy < 0.0f && velocity.y < 0.0f);
        if (!ahead) continue;
        const float distance = std::sqrt(dx * dx + dy * dy);
        if (distance < best) {
            best = distance;
            chosen = &stop;
        }
    }
    if (!chosen) return;
    const Stop stop = *chosen;
    startSlide({stop.x, stop.y}, false);
    activate(stop);
}

void DragBox::slideToStop(const std::string& name) {
    const auto found = stopIndexByName_.find(name);
    if (found == stopIndexByName_.end()) return;
    const Stop stop = stops_[static_cast<std::size_t>(found->second)];
    slideTo({stop.x, stop.y});
    activate(stop);
}

void DragBox::jumpToStop(const std::string& name) {
    const auto found = stopIndexByName_.find(name);
    if (found == stopIndexByName_.end()) return;
    const Stop stop = stops_[static_cast<std::size_t>(found->second)];
    setDisplacement({stop.x, stop.y, 0.0f});
    activate(stop);
}

} // namespace vorn
