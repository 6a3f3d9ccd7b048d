#pragma once

#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <memory>
#include <string>
#include <vector>

namespace vorn {

class Application;

// The root node of one screen. The application holds the current scene,
// forwards input to it in design coordinates, draws it every frame and
// switches between scenes. The scene decides who gets each input: the node
// holding the mouse capture, the node holding the keyboard focus, the node
// being dragged, or the ordinary routing down the tree. It keeps the
// screen's stack of state names for popups and the file it was loaded
// from, for the developer's reload.
class Scene : public Node {
public:
    // Covers the application's design area (the registered application's
    // when none is given).
    explicit Scene(Application* application = nullptr);
    ~Scene() override;

    Application* application() const { return application_; }

    // Capture first, then focus, then the scene's own KeyDownEvent.
    bool keyDown(int key) override;
    // Capture, else the scene's own KeyUpEvent; the focus gets no releases.
    bool keyUp(int key) override;
    // Focus, else the scene's own TextInputEvent.
    bool textInput(const std::string& text) override;
    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    bool intEvent(int) override { return false; }
    // A scene has no parent.
    std::shared_ptr<Node> getParent() override { return nullptr; }

    // Loads the scene's file again: leaves the stage, rebuilds, enters again.
    virtual void reload();
    virtual void onPopState(const std::string&) {}
    virtual void onAppDeactivated() {}
    virtual void onAppQuit() {}

    // Remembers the file and loads the tree from it.
    void load(const std::string& path);
    using Node::load;
    const std::string& file() const { return file_; }
    std::shared_ptr<Node> findNode(const std::string& name) const { return findChild(name, true); }

    // The scene's state, as its screen asks for it (the state stack saves
    // this one, not whatever the tree was switched to otherwise).
    const std::string& getCurrentState() const { return sceneState_; }
    void setState(const std::string& name);
    void switchState(const std::string& name, float time);
    void pushState();
    void popState();
    const std::vector<std::string>& stateStack() const { return stateStack_; }

    // Pointer input goes straight to the capture node, with the point in
    // its parent's space. Capture and focus are weak: a node that goes away
    // simply stops receiving.
    void setMouseCapture(std::shared_ptr<Node> node);
    void releaseMouseCapture(const std::shared_ptr<Node>& node);
    void releaseMouseCapture(Node* node);
    std::shared_ptr<Node> mouseCapture() const { return capture_.lock(); }
    void setFocus(std::shared_ptr<Node> node);
    void releaseFocus(const std::shared_ptr<Node>& node);
    std::shared_ptr<Node> focus() const { return focus_.lock(); }

    // Lifts a node to the top of the scene at its place on screen; it then
    // follows the pointer until the button is released over a node that
    // takes it, or goes back where it came from.
    void startDrag(const std::shared_ptr<Node>& node);
    const std::shared_ptr<Node>& draggedNode() const { return dragged_; }
    glm::vec2 lastPointerPosition() const { return lastPointer_; }

private:
    glm::vec2 capturePoint(Node& node, const glm::vec2& point) const;
    glm::vec2 dropPoint() const;
    void drop();

    Application* application_;
    glm::vec2 lastPointer_{0.0f, 0.0f};
    std::vector<std::string> stateStack_;
    std::string sceneState_ = "default";
    std::string file_;
    std::weak_ptr<Node> capture_;
    std::weak_ptr<Node> focus_;
    std::shared_ptr<Node> dragged_;
    std::shared_ptr<Node> dragOriginParent_;
    glm::vec2 dragOriginPosition_{0.0f, 0.0f};
};

} // namespace vorn
