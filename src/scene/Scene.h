#pragma once

#include "core/EventSource.h"

#include <string>

namespace vorn {

class Application;

// The root of one screen: the application holds the current scene, forwards
// input to it, draws it every frame and switches between scenes. For now only
// the operations the application calls, each doing nothing, so that screens
// and tests can build on them.
class Scene : public EventSource {
public:
    explicit Scene(Application* application = nullptr) : application_(application) {}
    ~Scene() override = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    Application* application() const { return application_; }

    // Stage lifecycle: set up once before the scene enters the stage, then
    // entered; left when another scene takes its place.
    virtual void setup() {}
    virtual void enterStage() {}
    virtual void exitStage() {}

    virtual bool hasState(const std::string& name) const;
    // Applies a state within the given time (0: at once).
    virtual void switchState(const std::string& name, float time);
    // Animates into a state.
    virtual void setState(const std::string& name);

    // Loads the scene's file again (the developer's reload key).
    virtual void reload() {}
    virtual void onAppQuit() {}
    virtual void onAppDeactivated() {}
    // Draws the scene.
    virtual void visit() {}

private:
    Application* application_;
};

} // namespace vorn
