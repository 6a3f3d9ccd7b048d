#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Node.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

// A scrolling area. Its children move together by a displacement that the
// player drags, flings with inertia or snaps to named stops; the box itself
// stays put and applies the displacement as its content matrix, so hits
// reach the children where they are drawn. Bound to a data source it
// publishes where it stands between its limits, 1 at the minimum and 0 at
// the maximum, and follows that source.
//
// A press that moves less than 20 pixels before its release is no drag: it
// goes on to the children as a click.
class DragBox : public virtual Node, public virtual DataSourceListener {
public:
    struct Stop {
        std::string name;
        float x = 0.0f;
        float y = 0.0f;
        std::string onActivate;
    };

    DragBox();
    ~DragBox() override;

    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    void setProperties(const Attributes& attributes) override;
    // Ordinary children, then the "stop" elements of every "stops" element.
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void onEnterStage() override;
    // Inertia and slides end here: nothing moves a box that is off stage.
    void onExitStage() override;
    void onUpdate(float dt) override;
    void onValueChanged(const Value& value) override;

    // Clamped to the limits; a displacement that would carry every named
    // child too far from the centre is refused (with the named-child limit on).
    void setDisplacement(const glm::vec3& displacement);
    const glm::vec3& getDisplacement() const { return displacement_; }
    // The displacement that puts the child's anchor point at the box's centre.
    glm::vec2 displacementToCenter(const std::shared_ptr<Node>& child) const;

    // Toward the nearest stop that lies in the velocity's direction on
    // either axis, then that stop's script; nothing without such a stop.
    void slide(const glm::vec2& velocity);
    // A slide at the sliding speed; a new slide, a press or leaving the
    // stage ends the one running.
    void slideTo(const glm::vec2& target);
    void slideToStop(const std::string& name);
    void jumpToStop(const std::string& name);
    bool isSliding() const { return sliding_; }

    std::shared_ptr<Node> nearestChild(const glm::vec2& point) const;
    float nearestNamedChildDistance(const glm::vec2& point) const;
    void parseStops(const tinyxml2::XMLElement* stops);

    const std::vector<Stop>& stops() const { return stops_; }
    bool isDragging() const { return dragging_; }
    bool hasInertia() const { return inertia_; }
    const glm::vec2& getVelocity() const { return velocity_; }
    const glm::vec2& getMinDisplacement() const { return minDisplacement_; }
    const glm::vec2& getMaxDisplacement() const { return maxDisplacement_; }
    bool dragsHorizontally() const { return dragHorizontally_; }
    bool dragsVertically() const { return dragVertically_; }
    float getSlidingSpeed() const { return slidingSpeed_; }

    // The wall clock the box times presses with, in nanoseconds; tests give
    // their own (an empty function restores the real one).
    static void setClockForTesting(std::function<std::int64_t()> clock);

    // Shortest press, in seconds, that a flick's speed is averaged over: a
    // release in the same instant as its press would otherwise fling the box
    // at infinite speed.
    static constexpr double minFlickTime = 1.0 / 60.0;
    // A release closer than this to its press is a click on the children.
    static constexpr float clickDistance = 20.0f;
    // Inertia's deceleration, pixels per second squared.
    static constexpr float deceleration = 3000.0f;

private:
    void startSlide(const glm::vec2& target, bool logSteps);
    void stopSlide();
    void stopInertia();
    void publish();
    void activate(const Stop& stop);
    static std::int64_t now();

    std::vector<Stop> stops_;
    std::map<std::string, int> stopIndexByName_;
    bool dragHorizontally_ = true;
    bool dragVertically_ = false;
    glm::vec3 displacement_{0.0f, 0.0f, 0.0f};
    glm::vec2 minDisplacement_{0.0f, 0.0f};
    glm::vec2 maxDisplacement_{0.0f, 0.0f};
    bool dragging_ = false;
    glm::vec2 grabOffset_{0.0f, 0.0f};
    glm::vec2 pressPoint_{0.0f, 0.0f};
    std::int64_t pressTime_ = 0;
    glm::vec2 velocity_{0.0f, 0.0f};
    float slidingSpeed_ = 1500.0f;
    bool hasMaxNearestChildDistance_ = false;
    float maxNearestChildDistance_ = 0.0f;

    bool inertia_ = false;
    // Tells the running slide from the ones it replaced.
    std::uint64_t slideGeneration_ = 0;
    bool sliding_ = false;
    // Set while the box publishes: the data source's answer is its own value
    // coming back and must not move the box again.
    bool publishing_ = false;
};

} // namespace vorn
