#include "widgets/SpinBox.h"

#include "core/EventDispatcher.h"
#include "scene/Text.h"
#include "widgets/BoundValue.h"
#include "widgets/Button.h"

#include <tinyxml2.h>

#include <limits>
#include <memory>
#include <optional>

namespace vorn {

SpinBox::SpinBox() = default;

SpinBox::~SpinBox() = default;

void SpinBox::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (!element) return;
    for (const tinyxml2::XMLElement* e = element->FirstChildElement("option"); e; e = e->NextSiblingElement("option")) {
        parseOption(e);
    }
    if (children().empty()) setupMinimalistic();
}

void SpinBox::parseOption(const tinyxml2::XMLElement* element) {
    Option option;
    // In document order: "selected" takes the value read before it.
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const std::string name = a->Name();
        if (name == "name") {
            option.name = a->Value();
        } else if (name == "value") {
            option.value = Value(a->Value());
        } else if (name == "selected" && Value(a->Value()).asBool()) {
            current_ = static_cast<int>(options_.size());
            value_ = option.value;
        }
    }
    options_.push_back(std::move(option));
}

void SpinBox::addOption(const Option& option) { options_.push_back(option); }

void SpinBox::updateText() {
    auto* text = dynamic_cast<Text*>(findChild("text", false).get());
    if (!text) return;
    if (options_.empty()) {
        text->setText(value_.toString());
    } else if (current_ >= 0 && current_ < static_cast<int>(options_.size())) {
        text->setText(options_[static_cast<std::size_t>(current_)].name);
    }
}

void SpinBox::setValue(const Value& value) {
    if (value_ == value) return;
    // The script may drop the last other owner of the box; the event
    // comes after it.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    const bool currentMatches = current_ >= 0 && current_ < static_cast<int>(options_.size()) &&
                                options_[static_cast<std::size_t>(current_)].value == value;
    if (options_.empty() || currentMatches) {
        value_ = value;
        updateText();
    } else {
        const std::string wanted = value.toString();
        for (std::size_t i = 0; i < options_.size(); ++i) {
            if (options_[i].value.toString() != wanted) continue;
            current_ = static_cast<int>(i);
            value_ = options_[i].value;
            updateText();
            break;
        }
    }
    // The source answers at once with the value just stored.
    publish(value_);
    runOnChange();
    EventDispatcher::instance()->post(new ChangeEvent(this));
}

void SpinBox::stepBack() {
    if (options_.empty()) {
        // At the end of the range the box stays, as it does at its first option.
        const std::optional<long long> n = boundInteger(value_, "SpinBox", getDataSourceName());
        if (n && *n > std::numeric_limits<long long>::min()) setValue(Value(*n - 1));
    } else if (current_ > 0) {
        --current_;
        setValue(options_[static_cast<std::size_t>(current_)].value);
    }
    updateText();
}

void SpinBox::stepForward() {
    if (options_.empty()) {
        const std::optional<long long> n = boundInteger(value_, "SpinBox", getDataSourceName());
        if (n && *n < std::numeric_limits<long long>::max()) setValue(Value(*n + 1));
    } else if (current_ < static_cast<int>(options_.size()) - 1) {
        ++current_;
        setValue(options_[static_cast<std::size_t>(current_)].value);
    }
    updateText();
}

void SpinBox::setupMinimalistic() {
    const glm::vec2 size = getSize();
    auto text = std::make_shared<Text>();
    text->setName("text");
    text->setPosition(halfSize());
    text->setAlignment(Text::ALIGN_CENTER);
    text->setCenterParent(true);
    addChild(text);
    updateText();

    auto back = std::make_shared<Button>();
    back->setName("-");
    back->setSize({size.y, size.y});
    back->setPosition(0.0f, 0.0f);
    addChild(back);
    auto forward = std::make_shared<Button>();
    forward->setName("+");
    forward->setSize({size.y, size.y});
    forward->setPosition(size.x - size.y, 0.0f);
    addChild(forward);

    auto* dispatcher = EventDispatcher::instance();
    dispatcher->addListener(back.get(), new EventListener(typeid(Button::ClickEvent), [this](Event*) { stepBack(); }),
                            true);
    dispatcher->addListener(forward.get(),
                            new EventListener(typeid(Button::ClickEvent), [this](Event*) { stepForward(); }), true);
}

void SpinBox::onSetup() {
    if (children().empty()) setupMinimalistic();
    updateText();
}

void SpinBox::onValueChanged(const Value& value) {
    setValue(value);
    updateText();
}

} // namespace vorn
