#pragma once

#include "core/EventSource.h"
#include "core/Platform.h"
#include "core/Rect.h"

#include <glm/vec2.hpp>

#include <memory>
#include <string>

namespace vorn {

class Scene;

// The root object of a program built on the engine; exactly one per process.
// The game derives from it and supplies the design size, the folder name,
// the title and its start-up. It owns the current scene, maps window pixels
// to design coordinates, runs one frame in a fixed order and forwards input
// to the scene.
class Application : public EventSource, public DataFolderNamer {
public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The running application; null until the run loop registers it.
    static Application* instance();
    static void setInstance(Application* app);

    // Input, in window pixels for the pointer; each goes to the current
    // scene (false without one).
    bool keyDown(int key) override;
    bool keyUp(int key) override;
    bool textInput(const std::string& text) override;
    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    bool pointerEvent(const glm::vec2& point, eButtonName button) override;
    bool scroll(const glm::vec2& delta) override;
    bool intEvent(int value) override;

    // The content size in virtual pixels.
    virtual glm::vec2 designSize() = 0;
    // Client size of the window in windowed mode: 80 % of the desktop at the
    // design aspect.
    virtual glm::vec2 defaultWindowSize();
    // A query no engine code asks.
    virtual bool queryFlag();
    // Name of the per-user folder.
    std::string dataFolderName() override;
    virtual std::string windowTitle();
    // The program's start-up, after the window and the renderer exist.
    virtual void setup() = 0;
    // One frame; dt in seconds.
    virtual void update(float dt);
    virtual bool isQuitRequested();
    virtual void quit();
    // What the run loop returns once the application has quit: 0 unless
    // the program ends for a fault.
    void setExitStatus(int status) { exitStatus_ = status; }
    int exitStatus() const { return exitStatus_; }
    // The window gained or lost the focus.
    virtual void activate();
    virtual void deactivate();
    virtual void shutdown();
    virtual void calculateViewport();

    // Makes a scene current: the old one leaves the stage, the new one is set
    // up, enters, and animates from the entry state to "default" when it
    // has the entry state.
    void runScene(const std::shared_ptr<Scene>& scene, const std::string& entryState);
    void runScene(const std::shared_ptr<Scene>& scene);
    std::shared_ptr<Scene> runningScene() const { return scene_; }

    bool isFullscreen() const { return fullscreen_; }
    void setFullscreen(bool fullscreen);
    bool isActive() const { return active_; }
    void setOrtho();
    // Developer mode: "devmode.txt" in the per-user folder begins with '1'. Read once.
    bool isDevMode();
    // The text of "device.txt" (the working directory's first, then the
    // per-user folder's), "-" without one. Read once.
    std::string deviceId();

    // The renderer's back-buffer size: the desktop in full screen, else the
    // default window size.
    glm::vec2 backBufferSize();
    // Window pixels per design unit and the letterbox offset, for scissor
    // rectangles in back-buffer pixels.
    glm::vec2 clipOffset() const;
    glm::vec2 clipScale() const;
    // Window pixels to design coordinates, as the pointer operations map them.
    glm::vec2 toContentPoint(const glm::vec2& point) const;
    void invalidateViewport() { viewportValid_ = false; }
    bool isViewportValid() const { return viewportValid_; }
    const Rect& viewport() const { return viewport_; }
    glm::vec2 inputOffset() const { return inputOffset_; }
    glm::vec2 inputScale() const { return inputScale_; }

    // Start-up step before the window exists: the texture formats, the
    // display mode from the saved setting, and the audio engine bound to
    // the volume and mute settings (brought in line at each event delivery).
    void beforeRun();
    // Binds the engine's script commands; run by the constructor. Each acts
    // on the running application's current scene, and does nothing without one.
    static void registerFunctions();

private:
    // Calls the scene's input operation with the scene kept alive for the
    // call: it may make another scene current from inside.
    template <typename Call>
    bool forward(Call call);
    // Ends every press still held without a click: the window is losing
    // the pointer and the real release may never come.
    void releaseButtons();

    bool quit_ = false;
    int exitStatus_ = 0;
    std::shared_ptr<Scene> scene_;
    // A scene left the stage: the pictures only it showed go once a frame
    // without it has been shown. Until then the renderer holds the last
    // frame it showed, and whoever switched may still hold the scene.
    int framesToPictureRelease_ = 0;
    std::string deviceId_;
    bool fullscreen_ = true;
    bool viewportValid_ = false;
    Rect viewport_;
    glm::vec2 inputOffset_{0.0f, 0.0f};
    glm::vec2 inputScale_{0.0f, 0.0f};
    bool active_ = true;
    bool devMode_ = false;
    bool devModeRead_ = false;
    unsigned held_ = 0;
    unsigned releasedEarly_ = 0;
    glm::vec2 lastPointer_{0.0f, 0.0f};
};

} // namespace vorn
