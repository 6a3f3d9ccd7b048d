#include "scene/Node.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "scene/LoadContext.h"
#include "scene/NodeFactory.h"

#include <tinyxml2.h>

#include <cstring>
#include <exception>

namespace vorn {

namespace {

int alignment(const std::string& text, const char* low, const char* high, int current) {
    if (text == low) return 1;
    if (text == high) return 2;
    if (text == "center") return 3;
    return current;
}

} // namespace

void Node::load(const tinyxml2::XMLElement* element) {
    if (!element) return;
    const LoadContext::Element context(element);
    Attributes attributes;
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        attributes[a->Name()] = Value(a->Value());
    }
    setProperties(attributes);
    loadChildren(element);
    setUp_ = false;
}

void Node::loadDocument(const std::string& path) {
    const auto document = std::dynamic_pointer_cast<XMLDocument>(ResourceManager::instance()->getResource(path));
    // A missing or malformed file has been logged by the resource manager.
    if (!document || !document->root()) return;
    // A file that includes itself, or a fan of files that include each
    // other many times over, would otherwise be read without end.
    const LoadContext::File file(path, "Node content");
    if (!file.entered()) return;
    try {
        load(document->root());
    } catch (const std::exception& e) {
        // Whatever loaded before the fault stays; the rest of the file is lost.
        log("Can't open or parse: %s [%s]", path.c_str(), e.what());
    }
}

void Node::loadFromFile(const std::string& path) {
    removeAllChildren();
    loadDocument(path);
}

void Node::setProperties(const Attributes& attributes) {
    const auto content = attributes.find("content");
    if (content != attributes.end()) loadDocument(content->second.toString());
    LoadContext::each(attributes, [this](const std::string& key, const Value& value) { handleAttribute(key, value); });
}

void Node::handleAttribute(const std::string& key, const Value& value) {
    if (key == "x") {
        setPosition(value.asFloat(), position_.y);
    } else if (key == "y") {
        setPosition(position_.x, value.asFloat());
    } else if (key == "w") {
        setSize({value.asFloat(), size_.y});
    } else if (key == "h") {
        setSize({size_.x, value.asFloat()});
    } else if (key == "scale") {
        const float s = value.asFloat();
        setScale({s, s});
    } else if (key == "scale_x") {
        setScale({value.asFloat(), scale_.y});
    } else if (key == "scale_y") {
        setScale({scale_.x, value.asFloat()});
    } else if (key == "color" || key == "c") {
        color_ = Color(value.toString());
    } else if (key == "name") {
        name_ = value.toString();
    } else if (key == "angle") {
        setRotation(value.asFloat());
    } else if (key == "anchor_x") {
        setAnchor({value.asFloat(), anchor_.y});
    } else if (key == "anchor_y") {
        setAnchor({anchor_.x, value.asFloat()});
    } else if (key == "anchor") {
        setAnchorCentered(value.toString() == "center");
    } else if (key == "fillParent") {
        fillParent_ = value.asBool();
    } else if (key == "centerParent") {
        centerParent_ = value.asBool();
    } else if (key == "fitParent") {
        fitParent_ = value.asBool();
    } else if (key == "visible") {
        visible_ = value.asBool();
    } else if (key == "enabled") {
        enabled_ = value.asBool();
    } else if (key == "scissor" || key == "clip" || key == "clipping") {
        clipping_ = value.asBool();
    } else if (key == "action") {
        action_ = value.toString();
    } else if (key == "stateStop" || key == "state_stop") {
        stateStop_ = value.asBool();
    } else if (key == "parentAlign") {
        parentAlign_ = alignment(value.toString(), "left", "right", parentAlign_);
    } else if (key == "parentVAlign") {
        parentVAlign_ = alignment(value.toString(), "top", "bottom", parentVAlign_);
    } else if (key == "stateDataSource") {
        setStateDataSource(value.toString());
    }
}

void Node::loadChildren(const tinyxml2::XMLElement* element) {
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        loadChild(child);
    }
}

void Node::loadChild(const tinyxml2::XMLElement* child) {
    const char* name = child->Name();
    if (std::strcmp(name, "state") == 0) {
        State state = State::parse(child);
        // A state is found by its name; one without could never be reached.
        if (!child->Attribute("name")) {
            log("Node::loadChildren: state without a name ignored (node name: %s)", name_.c_str());
            return;
        }
        addState(state);
    } else if (std::strcmp(name, "transition") == 0) {
        const char* from = child->Attribute("from");
        const char* to = child->Attribute("to");
        if (!from || !to) return;
        const LoadContext::Element context(child);
        Transition transition;
        for (const char* key : {"time", "delay"}) {
            const char* text = child->Attribute(key);
            if (!text) continue;
            float& field = std::strcmp(key, "time") == 0 ? transition.time : transition.delay;
            LoadContext::attribute(key, Value(text), [&] { field = Value(text).asFloat(); });
        }
        addTransition(from, to, transition);
    } else if (std::shared_ptr<Node> node = NodeFactory::instance().create(child)) {
        addChild(node);
    }
}

std::shared_ptr<Node> Node::findChild(const std::string& name, bool recursive) const {
    for (const auto& child : children_) {
        if (child->name_ == name) return child;
    }
    if (!recursive) return nullptr;
    for (const auto& child : children_) {
        if (std::shared_ptr<Node> found = child->findChild(name, true)) return found;
    }
    return nullptr;
}

Node::Children Node::findChildrenByName(const std::string& name, bool recursive) const {
    return findChildren([&name](const std::shared_ptr<Node>& n) { return n->name_ == name; }, recursive, false);
}

bool Node::showOnlyChild(const std::string& name) {
    bool matched = false;
    for (const auto& child : children_) {
        child->visible_ = child->name_ == name;
        matched = matched || child->visible_;
        if (!child->visible_) releaseHovered(child.get());
    }
    return matched;
}

} // namespace vorn
