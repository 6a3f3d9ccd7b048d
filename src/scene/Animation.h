#pragma once

#include "scene/Node.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

class ImageData;

// Shows a list of frames one after another at a fixed frame time, looping
// or once. Time runs only while the node is on the stage, from its first
// frame at every entry. A run that does not loop reports its end through
// the node's action-finished callback (with no action) on every update
// from then on, and through the finish function once; its last frame
// stays.
//
// Each node draws its own copies of the frames, so resizing one animation
// leaves every other user of the same pictures alone.
class Animation : public Node {
public:
    // Frame times below this would make the frame index meaningless.
    static constexpr float minFrameTime = 0.001f;

    Animation();
    ~Animation() override;

    // The node's attributes, then "frameTime" or "frame_time" and "loop".
    void setProperties(const Attributes& attributes) override;
    // Reads only "frame" elements with a "filename"; other children,
    // states and transitions are ignored.
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void draw() override;
    void onEnterStage() override;
    void onExitStage() override;
    // Frames present now are stretched to the node; frames added later keep
    // their own size until the next size change.
    void onSizeChanged() override;
    void onUpdate(float dt) override;

    // A name that is no picture leaves an empty frame, which keeps its
    // place in the timing and draws nothing.
    void addFrame(const std::string& filename);
    void setLoop(bool loop) { loop_ = loop; }
    bool isLooping() const { return loop_; }
    // Clamped to minFrameTime, logged.
    void setFrameTime(float seconds);
    float getFrameTime() const { return frameTime_; }
    float getElapsed() const { return elapsed_; }
    void setFinishCallback(std::function<void()> finish) { finish_ = std::move(finish); }

    // The frame shown at the elapsed time; -1 without frames.
    int frameIndex() const;
    const std::vector<std::shared_ptr<ImageData>>& frames() const { return frames_; }

private:
    bool finished() const;

    bool loop_ = true;
    float frameTime_ = 1.0f / 60.0f;
    float elapsed_ = 0.0f;
    // The node's own copies, and the shared pictures they are made from.
    std::vector<std::shared_ptr<ImageData>> frames_;
    std::vector<std::shared_ptr<const ImageData>> sources_;
    std::function<void()> finish_;
};

} // namespace vorn
