#pragma once

#include "scene/Node.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

// A node with named animations (any nodes, usually frame animations) that
// shows one at a time, centred and sized to the sprite. It shows "default"
// whenever it enters the stage and goes back to "default" when the
// animation shown reports a finished action, as a frame animation that
// does not loop does at its end.
//
// The animations are read from an "animations" element; they live in the
// sprite's list, and the one shown is the only child of a container that
// fills the sprite. Other child elements become ordinary children; the
// sprite's own states and transitions are not read.
class Sprite : public Node {
public:
    Sprite();
    // Loads a sprite file into itself.
    explicit Sprite(const std::string& path);
    ~Sprite() override;

    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onEnterStage() override;
    void onSizeChanged() override;

    // Adds each child element that the node factory knows as an animation
    // named by its node name; a later one of the same name replaces the
    // earlier.
    void loadAnimations(const tinyxml2::XMLElement* element);
    // Shows the named animation from its start; an unknown name changes
    // nothing. A finish function given for a frame animation runs once at
    // its end, after "default" is back.
    void play(const std::string& name);
    void play(const std::string& name, std::function<void()> finish);
    void stopAnimation();
    // Stops, and takes every child (the container too) off the sprite.
    void reset();

    std::shared_ptr<Node> getAnimation(const std::string& name) const;
    // In ascending byte order.
    std::vector<std::string> getAnimationNames() const;
    const std::shared_ptr<Node>& currentAnimation() const { return current_; }

private:
    void fit(Node& animation);

    std::map<std::string, std::shared_ptr<Node>> animations_;
    std::shared_ptr<Node> container_;
    std::shared_ptr<Node> current_;
    // The animations' callbacks reach the sprite through this: an animation
    // can outlive it (an action or a caller may hold one), and the sprite
    // loads its file before anything owns it, when it has no weak pointer
    // to itself yet.
    std::shared_ptr<Sprite*> handle_;
};

} // namespace vorn
