#pragma once

#include "core/Color.h"
#include "core/EventSource.h"
#include "core/Rect.h"
#include "core/Scheduler.h"
#include "core/Value.h"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Action;
class Effect;
class EventListener;
class ImageData;
class Render;
class Texture;

// Everything that is drawn or takes pointer input. A node owns its children
// through shared pointers and keeps a plain pointer to its parent; it is
// always owned by a shared pointer itself before anything asks it for an
// owning pointer (getParent on a child, runAction, shared_from_this).
//
// Hooks run while the tree is walked (set-up, stage entry and exit,
// drawing) may add, remove and move children anywhere: every walk goes over
// the children as they were when it began, and skips a child that has left
// this node meanwhile.
//
// A node going away leaves no trace: its actions, its listeners, its
// queued events and its scheduler entry go with it.
class Node : public std::enable_shared_from_this<Node>, public EventSource, public Scheduleable {
public:
    // Attribute texts of one XML element, by name in byte order.
    using Attributes = std::map<std::string, Value>;
    using Children = std::vector<std::shared_ptr<Node>>;

    // One named set of property values. Only the groups whose flag is set
    // are applied; has x and has y stand for position x or y alone.
    struct State {
        glm::vec2 position{0.0f, 0.0f};
        glm::vec2 size{0.0f, 0.0f};
        glm::vec2 scale{0.0f, 0.0f};
        Color color;
        float angle = 0.0f;
        bool visible = false;
        bool enabled = false;
        bool hasPosition = false;
        bool hasX = false;
        bool hasY = false;
        bool hasSize = false;
        bool hasScale = false;
        bool hasAngle = false;
        bool hasColor = false;
        bool hasVisible = false;
        bool hasEnabled = false;
        std::string name;
        std::string easing;

        State() = default;
        // The node's present position, size, colour, angle, scale,
        // visibility and enablement, all flagged (x and y alone not).
        explicit State(const Node& node);
        State(const Node& node, const std::string& stateName);

        // From a "state" element; a bad number is left out with a log line.
        static State parse(const tinyxml2::XMLElement* element);
        void applyTo(Node& node) const;
    };

    struct Transition {
        float time = 0.5f;
        float delay = 0.0f;
    };

    Node();
    // A node loaded from an element, or from a node file.
    explicit Node(const tinyxml2::XMLElement* element);
    explicit Node(const std::string& path);
    ~Node() override;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Pointer routing. Points are in the space of the node's parent; each
    // answers whether the point was inside the node.
    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    // Posts the node's ScrollEvent and passes the delta down the hover chain.
    bool scroll(const glm::vec2& delta) override;
    virtual void mouseEnter();
    // Also leaves the hovered child, whose own hovered child follows.
    virtual void mouseLeave();
    // Offers a dragged node to the children under the point, topmost first,
    // until one accepts; a node never accepts for itself.
    virtual bool onDrop(const std::shared_ptr<Node>& dragged, const glm::vec2& point);
    virtual bool onDragOver(const std::shared_ptr<Node>& dragged, const glm::vec2& point);
    virtual void onStartDrag() {}
    virtual void onCancelDrag() {}

    // The point in the node's own space (cached inverse, not rebuilt here);
    // true inside the box, edges included.
    bool hitTest(const glm::vec2& point, glm::vec4& local) const;
    bool containsPoint(const glm::vec2& point) const;

    // Loading. A subclass reads its own attributes and child elements and
    // calls these for the rest.
    virtual void setProperties(const Attributes& attributes);
    virtual void loadChildren(const tinyxml2::XMLElement* element);
    // What loadChildren does with one child element: a state, a transition
    // or a node from the factory. For overrides that take some elements
    // themselves.
    void loadChild(const tinyxml2::XMLElement* child);
    // Attributes, then children; the node is set up again before its next
    // draw or stage entry.
    void load(const tinyxml2::XMLElement* element);
    // Replaces the children with a node file's tree. A file that cannot be
    // read or holds a malformed value is logged; whatever loaded before the
    // fault stays.
    void loadFromFile(const std::string& path);

    // An owning pointer to the parent; empty without one.
    virtual std::shared_ptr<Node> getParent();
    Node* parent() const { return parent_; }

    // Hooks, empty here.
    virtual void onSetup() {}
    virtual void draw() {}
    virtual void drawAfterChildren() {}
    virtual void onEnterStage() {}
    virtual void onChildrenEnteredStage() {}
    virtual void onExitStage() {}
    virtual void onChildAdded(const std::shared_ptr<Node>&) {}
    virtual void onChildrenRemoved() {}
    virtual void onSizeChanged() {}
    virtual void onEnabledChanged() {}
    virtual void onFocusGained() {}
    virtual void onFocusLost() {}
    // An auto-remove child is erased after its parent's draw once this holds:
    // by default when it is invisible and has no children.
    virtual bool canBeRemoved() const;

    // Attributes.
    void setName(const std::string& name) { name_ = name; }
    std::string getName() const { return name_; }
    void setPosition(const glm::vec2& position);
    void setPosition(float x, float y) { setPosition(glm::vec2(x, y)); }
    glm::vec2 getPosition() const { return position_; }
    void setAnchor(const glm::vec2& anchor);
    glm::vec2 getAnchor() const { return anchor_; }
    // With the flag on, the anchor follows the centre of the size.
    void setAnchorCentered(bool centered);
    bool isAnchorCentered() const { return anchorCentered_; }
    void setRotation(float degrees);
    float getRotation() const { return angle_; }
    // Adds, then takes off 360 once when the sum reaches it.
    void rotate(float degrees);
    void setScale(const glm::vec2& scale);
    glm::vec2 getScale() const { return scale_; }
    // Marks the size as set, keeps a centred anchor at the centre, then onSizeChanged.
    void setSize(const glm::vec2& size);
    glm::vec2 getSize() const { return size_; }
    bool isSizeSet() const { return sizeSet_; }
    glm::vec2 halfSize() const { return size_ * 0.5f; }
    void setColor(const Color& color) { color_ = color; }
    const Color& getColor() const { return color_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool isVisible() const { return visible_; }
    // Always followed by onEnabledChanged, also when the value stays.
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }
    void setClipping(bool clipping) { clipping_ = clipping; }
    bool isClipping() const { return clipping_; }
    void setFillParent(bool on) { fillParent_ = on; }
    void setCenterParent(bool on) { centerParent_ = on; }
    void setFitParent(bool on) { fitParent_ = on; }
    bool isFillParent() const { return fillParent_; }
    bool isCenterParent() const { return centerParent_; }
    bool isFitParent() const { return fitParent_; }
    // 1 left (top), 2 right (bottom), 3 centre, anything else none.
    void setParentAlign(int align) { parentAlign_ = align; }
    void setParentVAlign(int align) { parentVAlign_ = align; }
    int getParentAlign() const { return parentAlign_; }
    int getParentVAlign() const { return parentVAlign_; }
    // A content matrix after the node's own: it moves what the node draws
    // and its children, not the node's own hit area.
    void setTransform(const glm::mat4& extra);
    glm::mat4 getExtraTransform() const { return extraTransform_; }
    bool hasExtraTransform() const { return hasExtraTransform_; }
    void setDropOffset(const glm::vec2& offset) { dropOffset_ = offset; }
    glm::vec2 getDropOffset() const { return dropOffset_; }
    void setStageEntryBlocked(bool blocked) { stageEntryBlocked_ = blocked; }
    void setStateStop(bool stop) { stateStop_ = stop; }
    bool isStateStop() const { return stateStop_; }
    // Takes effect at the next stage entry; a registered listener goes now.
    void setStateDataSource(const std::string& name);
    const std::string& getStateDataSource() const { return stateDataSource_; }
    void setAction(const std::string& file) { action_ = file; }
    const std::string& getAction() const { return action_; }
    void setAutoRemove(bool value, bool recursive);
    bool isAutoRemove() const { return autoRemove_; }
    void setActionFinishedCallback(std::function<void(Action*)> callback);
    const std::function<void(Action*)>& actionFinishedCallback() const { return actionFinished_; }
    bool isSetUp() const { return setUp_; }
    bool isOnStage() const { return onStage_; }

    // (position - anchor, size x scale); rotation ignored.
    Rect getBounds() const;
    bool intersects(const Node& other) const;

    // Tree.
    void addChild(const std::shared_ptr<Node>& child);
    // A node already owned by a shared pointer joins with that owner; only
    // an unowned one gets a new owner.
    void addChild(Node* child);
    void removeChild(const std::shared_ptr<Node>& child);
    void removeChild(Node* child);
    std::shared_ptr<Node> detachChild(const std::shared_ptr<Node>& child);
    std::shared_ptr<Node> detachChild(Node* child);
    void removeAllChildren();
    Children getChildren() const { return children_; }
    const Children& children() const { return children_; }
    std::shared_ptr<Node> firstChild() const;
    std::shared_ptr<Node> lastChild() const;
    const std::shared_ptr<Node>& hoveredChild() const { return hovered_; }
    Children getDescendants() const;
    Children findChildrenOfType(const std::type_info& type, bool recursive) const;
    Children findChildren(const std::function<bool(const std::shared_ptr<Node>&)>& predicate, bool recursive,
                          bool visibleOnly) const;
    // Root first, parent last.
    std::vector<Node*> getAncestors() const;
    std::shared_ptr<Node> findChild(const std::string& name, bool recursive) const;
    Children findChildrenByName(const std::string& name, bool recursive) const;
    // Shows the children of that name and hides the others; true when one matched.
    bool showOnlyChild(const std::string& name);

    // Lifecycle.
    // Every child's set-up first, then this node's onSetup once.
    void setup();
    void enterStage();
    void exitStage();
    // Takes ownership: started on this node and handed to the action
    // manager. A null action is logged.
    void runAction(Action* action);
    // A node file played as an effect: centred on position (this node's
    // space) and added as the last child. Null, logged, when the file
    // cannot be read as node XML.
    std::shared_ptr<Effect> addEffect(const std::string& path, const glm::vec2& position);
    std::shared_ptr<Effect> addEffectAtCenter(const std::string& path);

    // Matrices.
    void updateTransform();
    const glm::mat4& getTransform();
    glm::mat4 getWorldTransform();
    glm::vec2 localToWorld(const glm::vec2& point);
    glm::vec3 getWorldPosition();
    glm::vec3 getWorldCenter();
    const glm::mat4& inverseTransform() const { return inverseTransform_; }

    // Draws this node and its subtree.
    void visit();

    // Layout relative to the parent.
    void layoutInParent(const glm::vec2& size);
    void layoutInParent();

    // States.
    bool hasState(const std::string& name) const { return states_.contains(name); }
    const std::map<std::string, State>& states() const { return states_; }
    void addState(const State& state);
    void addTransition(const std::string& from, const std::string& to, const Transition& transition);
    const std::map<std::string, Transition>& transitions() const { return transitions_; }
    const std::string& getState() const { return currentState_; }
    // Animates with the transition from the current state, or 0.5 s.
    void setState(const std::string& name);
    // A time of 0 applies at once. A switch still running on this node is
    // cancelled first, whatever wraps it.
    void switchState(const std::string& name, float time, float delay, bool recursive);
    void captureDefaultState();
    void registerStateDataSourceListener();
    void unregisterStateDataSourceListener();

protected:
    // Attributes a subclass may write directly (an image takes its picture's
    // size without marking it set).
    glm::vec2 position_{0.0f, 0.0f};
    glm::vec2 size_{0.0f, 0.0f};
    bool sizeSet_ = false;
    glm::vec2 anchor_{0.0f, 0.0f};
    glm::vec2 dropOffset_{0.0f, 0.0f};
    Color color_;
    float angle_ = 0.0f;
    glm::vec2 scale_{1.0f, 1.0f};
    bool anchorCentered_ = false;
    bool transformDirty_ = false;
    bool setUp_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    std::string name_;

private:
    friend class Scene;

    // Routing helpers: the point in the children's space, and the topmost
    // enabled, visible child under it.
    glm::vec2 childPoint(const glm::vec4& local) const;
    std::shared_ptr<Node> childAt(const glm::vec2& point) const;
    template <typename Offer>
    bool offerToChildren(const glm::vec2& point, Offer offer);

    void releaseHovered(const Node* child);
    void visitClipped(Render& render, bool& removal);
    void eraseRemovableChildren();
    void visitChildren(bool& removal);
    void runActionFile();
    void handleAttribute(const std::string& key, const Value& value);
    void loadDocument(const std::string& path);

    bool hasExtraTransform_ = false;
    glm::mat4 extraTransform_{1.0f};
    glm::mat4 transform_{1.0f};
    glm::mat4 inverseTransform_{1.0f};
    glm::mat4 inverseExtraTransform_{1.0f};
    bool onStage_ = false;
    bool stageEntryBlocked_ = false;
    Node* parent_ = nullptr;
    Children children_;
    std::shared_ptr<Node> hovered_;
    bool clipping_ = false;
    bool fillParent_ = false;
    bool centerParent_ = false;
    bool fitParent_ = false;
    int parentAlign_ = 0;
    int parentVAlign_ = 0;
    std::map<std::string, State> states_;
    bool stateStop_ = false;
    std::string stateDataSource_;
    EventListener* stateListener_ = nullptr;
    std::string currentState_ = "default";
    std::map<std::string, Transition> transitions_;
    std::string action_;
    std::function<void(Action*)> actionFinished_;
    bool autoRemove_ = false;
    std::shared_ptr<Texture> clipTexture_;
    std::shared_ptr<ImageData> clipImage_;
};

} // namespace vorn
