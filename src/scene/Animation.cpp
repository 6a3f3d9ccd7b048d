#include "scene/Animation.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "scene/LoadContext.h"

#include <tinyxml2.h>

#include <cmath>
#include <cstring>

namespace vorn {

Animation::Animation() = default;

Animation::~Animation() = default;

void Animation::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "frameTime" || key == "frame_time") {
            setFrameTime(value.asFloat());
        } else if (key == "loop") {
            loop_ = value.asBool();
        }
    });
}

void Animation::loadChildren(const tinyxml2::XMLElement* element) {
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement("frame"); child;
         child = child->NextSiblingElement("frame")) {
        if (const char* file = child->Attribute("filename")) addFrame(file);
    }
}

void Animation::setFrameTime(float seconds) {
    if (!(seconds >= minFrameTime)) {
        log("Animation %s: frame time %f too short, %f used", name_.c_str(), static_cast<double>(seconds),
            static_cast<double>(minFrameTime));
        seconds = minFrameTime;
    }
    frameTime_ = seconds;
}

void Animation::addFrame(const std::string& filename) {
    const auto picture = std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(filename));
    sources_.push_back(picture);
    frames_.push_back(picture ? std::make_shared<ImageData>(*picture) : nullptr);
}

void Animation::onSetup() {
    for (const auto& frame : frames_) {
        if (frame) frame->load();
    }
    elapsed_ = 0.0f;
}

void Animation::onSizeChanged() {
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (!sources_[i]) continue;
        // From the picture each time: a frame resized twice would drift
        // whenever its scale is not 1.
        auto frame = std::make_shared<ImageData>(*sources_[i]);
        frame->setSize(size_);
        frames_[i] = std::move(frame);
    }
}

void Animation::onEnterStage() {
    elapsed_ = 0.0f;
    Scheduler::instance()->add(this);
}

void Animation::onExitStage() { Scheduler::instance()->remove(this); }

bool Animation::finished() const { return elapsed_ >= static_cast<float>(frames_.size()) * frameTime_; }

int Animation::frameIndex() const {
    const std::size_t count = frames_.size();
    if (count == 0) return -1;
    if (!loop_ && finished()) return static_cast<int>(count - 1);
    // In doubles and by fmod: a long run must not overflow an int.
    const double steps = std::floor(static_cast<double>(elapsed_) / static_cast<double>(frameTime_));
    if (!(steps > 0.0)) return 0;
    return static_cast<int>(std::fmod(steps, static_cast<double>(count)));
}

void Animation::draw() {
    const int index = frameIndex();
    if (index < 0) return;
    const std::shared_ptr<ImageData>& frame = frames_[static_cast<std::size_t>(index)];
    if (!frame) return;
    Render* render = Render::instance();
    if (!render) return;
    // Frames are whole pictures or atlas sprites: a wrap left on by a
    // repeating image would bleed their opposite edges into each other.
    render->setTextureWrap(0, 0);
    frame->draw();
}

void Animation::onUpdate(float dt) {
    elapsed_ += dt;
    if (loop_ || !finished()) return;
    // The callback may take this node off the stage or out of its parent.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    if (const std::function<void(Action*)> callback = actionFinishedCallback()) callback(nullptr);
    if (finish_) {
        const std::function<void()> finish = std::move(finish_);
        finish_ = nullptr;
        finish();
    }
}

} // namespace vorn
