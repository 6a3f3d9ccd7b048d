#include "widgets/Slider.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "scene/Image.h"
#include "scene/LoadContext.h"
#include "scene/Scene.h"
#include "widgets/BoundValue.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace vorn {

namespace {

std::shared_ptr<Scene> runningScene() {
    const Application* app = Application::instance();
    return app ? app->runningScene() : nullptr;
}

} // namespace

Slider::Slider() { setStateStop(true); }

Slider::~Slider() = default;

float Slider::thickness() const { return vertical_ ? getSize().x : getSize().y; }

void Slider::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    Node* knob = nullptr;
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "dataSource") {
            setDataSource(value.toString());
        } else if (key == "min") {
            min_ = value.asFloat();
        } else if (key == "max") {
            max_ = value.asFloat();
        } else if (key == "key_filename" || key == "keyFilename") {
            knob = new Image(value.toString());
        } else if (key == "orientation") {
            const std::string text = value.toString();
            if (text == "horizontal") vertical_ = HORIZONTAL;
            else if (text == "vertical") vertical_ = VERTICAL;
        }
    });
    if (!knob) return;
    const float t = thickness();
    knob->setSize({t, t});
    setKnob(knob);
}

void Slider::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (!children().empty() || knob_) return;
    auto back = std::make_shared<Image>(getSize(), Color(0xA0A0A0A0u));
    back->setName("back");
    addChild(back);
    const float t = thickness();
    setKnob(new Image(glm::vec2(t, t), Color(0xFFAAD696u)));
}

void Slider::setKnob(Node* knob) {
    if (knob_ && knob_ != knob) removeChild(knob_);
    knob_ = knob;
    if (!knob_) return;
    knob_->setAnchorCentered(true);
    updateKnob();
    addChild(knob_);
}

void Slider::updateKnob() {
    // Children of a scene file's own without a knob picture: nothing to place.
    if (!knob_) return;
    const glm::vec2 size = getSize();
    const float range = max_ - min_;
    float f = range != 0.0f ? (value_ - min_) / range : 0.0f;
    f = std::clamp(f, 0.0f, 1.0f);
    if (vertical_) {
        knob_->setPosition(size.x / 2.0f, size.x / 2.0f + f * (size.y - size.x));
    } else {
        knob_->setPosition(size.y / 2.0f + f * (size.x - size.y), size.y / 2.0f);
    }
}

void Slider::setValue(float value) {
    if (value == value_) return;
    value_ = value;
    // Not a number (a source holding "nan"): the start of the track.
    if (std::isnan(value) || value < min_) {
        value_ = min_;
    } else if (value > max_) {
        value_ = max_;
    }
    // The source answers at once with the value just stored.
    if (!getDataSourceName().empty()) getDataSource()->set(Value(static_cast<double>(value_)));
    updateKnob();
}

float Slider::valueAt(const glm::vec2& point) const {
    const glm::vec2 size = getSize();
    const glm::vec2 at = getPosition();
    const float run = vertical_ ? size.y - size.x : size.x - size.y;
    if (run == 0.0f) return min_;
    const float along = vertical_ ? point.y - size.x / 2.0f - at.y : point.x - size.y / 2.0f - at.x;
    return min_ + (max_ - min_) * along / run;
}

bool Slider::mouseDown(const glm::vec2& point, eButtonName) {
    dragging_ = true;
    if (const auto scene = runningScene()) scene->setMouseCapture(shared_from_this());
    setValue(valueAt(point));
    return true;
}

bool Slider::mouseMove(const glm::vec2& point, eButtonName) {
    if (dragging_) setValue(valueAt(point));
    return containsPoint(point);
}

bool Slider::mouseUp(const glm::vec2& point, eButtonName) {
    dragging_ = false;
    if (const auto scene = runningScene()) scene->releaseMouseCapture(this);
    return containsPoint(point);
}

void Slider::onEnterStage() {
    Node::onEnterStage();
    connect();
    dragging_ = false;
}

void Slider::onValueChanged(const Value& value) {
    if (const std::optional<float> v = boundFloat(value, "Slider", getDataSourceName())) setValue(*v);
}

} // namespace vorn
