#include "app/Application.h"

#include "audio/AudioEngine.h"
#include "audio/MusicPlayer.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "core/StringUtils.h"
#include "core/VM.h"
#include "render/Render.h"
#include "scene/ActionManager.h"
#include "scene/Scene.h"
#include "widgets/DragBox.h"

#include <glm/mat4x4.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <typeinfo>

namespace vorn {

namespace {
// Written once by the run loop before any worker starts, read by the log
// from every thread.
std::atomic<Application*> current{nullptr};

unsigned buttonBit(eButtonName button) { return button == BUTTON_RIGHT ? 2u : 1u; }

// The running application's current scene, held for the command's call:
// a command may make another scene current.
std::shared_ptr<Scene> currentScene() {
    const Application* app = Application::instance();
    return app ? app->runningScene() : nullptr;
}

// A setting the player's file holds in a form that does not convert (a
// volume that is no number) is logged and left as it was.
void applySetting(const char* name, const std::function<void(const Value&)>& apply) {
    try {
        apply(DataSource::get(name)->value());
    } catch (const std::exception& e) {
        log("Application: setting %s ignored [%s]", name, e.what());
    }
}

// Applies the setting now, then again at every change (at the next event
// delivery), alongside any other listener of that setting.
void followSetting(const char* name, const std::function<void(const Value&)>& apply, bool now) {
    if (now) applySetting(name, apply);
    EventDispatcher::instance()->addListener(DataSource::get(name), typeid(DataSource::ChangedEvent),
                                             [name, apply](Event*) { applySetting(name, apply); });
}
} // namespace

Application* Application::instance() { return current.load(std::memory_order_acquire); }

void Application::setInstance(Application* app) {
    current.store(app, std::memory_order_release);
    Platform::instance()->setDataFolderNamer(app);
}

Application::Application() { registerFunctions(); }

Application::~Application() = default;

template <typename Call>
bool Application::forward(Call call) {
    const std::shared_ptr<Scene> scene = scene_;
    if (!scene) return false;
    return call(*scene);
}

bool Application::keyDown(int key) {
    if (!scene_) return false;
    if (key == KEY_F5 && isDevMode()) {
        const std::shared_ptr<Scene> scene = scene_;
        ResourceManager::instance()->clearXMLCache();
        scene->reload();
        return true;
    }
    return forward([key](Scene& s) { return s.keyDown(key); });
}

bool Application::keyUp(int key) {
    return forward([key](Scene& s) { return s.keyUp(key); });
}

bool Application::textInput(const std::string& text) {
    return forward([&text](Scene& s) { return s.textInput(text); });
}

bool Application::mouseDown(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    held_ |= buttonBit(button);
    releasedEarly_ &= ~buttonBit(button);
    const glm::vec2 q = toContentPoint(point);
    return forward([&q, button](Scene& s) { return s.mouseDown(q, button); });
}

bool Application::mouseUp(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    // The scene already had this release when the window lost the focus.
    if (releasedEarly_ & buttonBit(button)) {
        releasedEarly_ &= ~buttonBit(button);
        return false;
    }
    held_ &= ~buttonBit(button);
    const glm::vec2 q = toContentPoint(point);
    return forward([&q, button](Scene& s) { return s.mouseUp(q, button); });
}

bool Application::mouseMove(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    const glm::vec2 q = toContentPoint(point);
    return forward([&q, button](Scene& s) { return s.mouseMove(q, button); });
}

bool Application::pointerEvent(const glm::vec2& point, eButtonName button) {
    const glm::vec2 q = toContentPoint(point);
    return forward([&q, button](Scene& s) { return s.mouseMove(q, button); });
}

bool Application::scroll(const glm::vec2& delta) {
    return forward([&delta](Scene& s) { return s.scroll(delta); });
}

bool Application::intEvent(int value) {
    return forward([value](Scene& s) { return s.intEvent(value); });
}

void Application::releaseButtons() {
    if (!held_) return;
    // The press ends where nothing can be hit: a release at the pointer
    // would click the button under it although the player never let go.
    // The release still reaches a node holding the capture, which lets the
    // capture go; the move then takes the hover from the pressed node.
    const glm::vec2 design = designSize();
    const glm::vec2 away{-1.0f - std::abs(design.x), -1.0f - std::abs(design.y)};
    for (eButtonName button : {BUTTON_LEFT, BUTTON_RIGHT}) {
        if (!(held_ & buttonBit(button))) continue;
        held_ &= ~buttonBit(button);
        releasedEarly_ |= buttonBit(button);
        forward([&away, button](Scene& s) { return s.mouseUp(away, button); });
    }
    forward([&away](Scene& s) { return s.mouseMove(away, BUTTON_LEFT); });
}

glm::vec2 Application::defaultWindowSize() {
    const glm::vec2 design = designSize();
    const glm::vec2 screen = Platform::instance()->desktopSize();
    if (design.x <= 0.0f || design.y <= 0.0f || screen.x <= 0.0f || screen.y <= 0.0f) return design;
    const float a = design.x / design.y;
    if (screen.x / screen.y > a) return {0.8f * a * screen.y, 0.8f * screen.y};
    return {0.8f * screen.x, 0.8f * screen.x / a};
}

bool Application::queryFlag() { return true; }

std::string Application::dataFolderName() { return Platform::instance()->appFolderName(); }

std::string Application::windowTitle() { return {}; }

void Application::update(float dt) {
    dt = std::min(dt, 10.0f);
    if (framesToPictureRelease_ > 0 && --framesToPictureRelease_ == 0) {
        // Large pictures only: small ones cost little to keep and would
        // be read again on the next visit.
        ResourceManager::instance()->releaseUnusedPictures(512 * 512);
    }
    if (!viewportValid_) {
        calculateViewport();
        setOrtho();
    }
    if (Render* render = Render::instance()) {
        render->clear(Color(0u));
        render->setViewport(viewport_);
        render->setMatrix(glm::mat4(1.0f));
    }
    Scheduler::instance()->update(dt);
    ActionManager::instance()->update(dt);
    EventDispatcher::instance()->process();
    if (const std::shared_ptr<Scene> scene = scene_) scene->visit();
    AudioEngine::instance()->playQueued();
}

bool Application::isQuitRequested() { return quit_; }

void Application::quit() {
    quit_ = true;
    shutdown();
    Platform::instance()->exitHook();
}

void Application::activate() {
    if (active_) return;
    active_ = true;
    AudioEngine::instance()->resume();
}

void Application::deactivate() {
    if (!active_) return;
    active_ = false;
    releaseButtons();
    AudioEngine::instance()->suspend();
    if (const std::shared_ptr<Scene> scene = scene_) scene->onAppDeactivated();
}

void Application::shutdown() {
    if (const std::shared_ptr<Scene> scene = scene_) scene->onAppQuit();
}

void Application::calculateViewport() {
    const glm::vec2 design = designSize();
    if (!fullscreen_) {
        const glm::vec2 size = defaultWindowSize();
        viewport_ = Rect(0.0f, 0.0f, size.x, size.y);
        const float k = size.x > 0.0f ? design.x / size.x : 0.0f;
        inputScale_ = {k, k};
    } else {
        const glm::vec2 screen = Platform::instance()->desktopSize();
        glm::vec2 content{0.0f, 0.0f};
        glm::vec2 origin{0.0f, 0.0f};
        if (design.x > 0.0f && design.y > 0.0f && screen.x > 0.0f && screen.y > 0.0f) {
            const float a = design.x / design.y;
            if (screen.x / screen.y > a) {
                content = {a * screen.y, screen.y};
                origin = {(screen.x - content.x) * 0.5f, 0.0f};
            } else {
                content = {screen.x, screen.x / a};
                origin = {0.0f, (screen.y - content.y) * 0.5f};
            }
        } else {
            log("Application::calculateViewport no desktop or design size");
        }
        viewport_ = Rect(origin.x, origin.y, content.x, content.y);
        inputScale_ = {content.x > 0.0f ? design.x / content.x : 0.0f, content.y > 0.0f ? design.y / content.y : 0.0f};
        log("Application::calculateViewport content:%f %f", design.x, design.y);
        log("Application::calculateViewport screen:%f %f", screen.x, screen.y);
        log("Application::calculateViewport content_size:%f %f", content.x, content.y);
        log("Application::calculateViewport _viewport.size:%f %f", viewport_.w, viewport_.h);
    }
    inputOffset_ = {viewport_.x, viewport_.y};
    log("Application::calculateViewport input_d:%f %f", inputOffset_.x, inputOffset_.y);
    log("Application::calculateViewport input_k:%f %f", inputScale_.x, inputScale_.y);
    viewportValid_ = true;
    log("Application::calculateViewport multiply for retina %i", Platform::instance()->isLargeScreen() ? 1 : 0);
}

void Application::runScene(const std::shared_ptr<Scene>& scene, const std::string& entryState) {
    // The caller's reference may be our own current-scene pointer.
    const std::shared_ptr<Scene> next = scene;
    if (const std::shared_ptr<Scene> old = scene_) {
        old->exitStage();
        framesToPictureRelease_ = 2;
    }
    scene_ = next;
    if (!next) return;
    next->setup();
    next->enterStage();
    if (next->hasState(entryState)) {
        next->switchState(entryState, 0.0f);
        next->setState("default");
    }
}

void Application::runScene(const std::shared_ptr<Scene>& scene) { runScene(scene, "appear"); }

void Application::setFullscreen(bool fullscreen) {
    if (fullscreen == fullscreen_) return;
    fullscreen_ = fullscreen;
    viewportValid_ = false;
    log("Application::setFullscreen %i", fullscreen ? 1 : 0);
    DataSource::get("@settings.fullscreen")->set(Value(fullscreen));
    Platform::instance()->setFullscreen(fullscreen);
}

void Application::setOrtho() {
    const glm::vec2 size = designSize();
    log("Application::setOrtho() %f %f", size.x, size.y);
    if (Render* render = Render::instance()) render->setProjection(topLeftOrtho(size.x, size.y));
    log("Application::setOrtho() OK");
}

bool Application::isDevMode() {
    if (!devModeRead_) {
        devModeRead_ = true;
        const std::string folder = Platform::instance()->writableFolder(dataFolderName());
        const std::string text = readTextFile(folder + "/devmode.txt", "");
        devMode_ = !text.empty() && text[0] == '1';
    }
    return devMode_;
}

std::string Application::deviceId() {
    if (deviceId_.empty()) {
        std::string id = readTextFile("device.txt", "-");
        if (id == "-") id = readTextFile(Platform::instance()->writableFolder(dataFolderName()) + "/device.txt", "-");
        deviceId_ = id;
        log("device: %s", deviceId_.c_str());
    }
    return deviceId_;
}

glm::vec2 Application::backBufferSize() {
    return fullscreen_ ? Platform::instance()->desktopSize() : defaultWindowSize();
}

// The back buffer has the desktop's own pixels on every screen, large ones
// included: the letterbox offset and the scale apply as they are.
glm::vec2 Application::clipOffset() const { return inputOffset_; }

glm::vec2 Application::clipScale() const { return inputScale_; }

glm::vec2 Application::toContentPoint(const glm::vec2& point) const {
    return {(point.x - inputOffset_.x) * inputScale_.x, (point.y - inputOffset_.y) * inputScale_.y};
}

void Application::beforeRun() {
    log("Application::beforeRun()");
    ResourceManager::instance()->loadTextureFormats();

    const Value& fullscreen = DataSource::get("@settings.fullscreen")->value();
    bool on = true;
    if (!fullscreen.isNil()) {
        applySetting("@settings.fullscreen", [this](const Value& value) { fullscreen_ = value.asBool(); });
        on = fullscreen_;
    }
    Platform::instance()->setFullscreen(on);
    followSetting(
        "@settings.fullscreen",
        [](const Value& value) {
            if (Application* app = instance()) app->setFullscreen(value.asBool());
        },
        false);

    // An unset volume reads as 0 and an unset flag as false.
    followSetting(
        "@settings.sound_volume",
        [](const Value& value) { AudioEngine::instance()->setSoundVolume(value.asFloat()); }, true);
    followSetting(
        "@settings.music_volume",
        [](const Value& value) {
            AudioEngine::instance()->setMusicVolume(value.asFloat());
            MusicPlayer::instance()->setVolume(AudioEngine::instance()->effectiveMusicVolume());
        },
        true);
    followSetting(
        "@settings.mute_sound", [](const Value& value) { AudioEngine::instance()->setMuteSound(value.asBool()); },
        true);
    followSetting(
        "@settings.mute_music",
        [](const Value& value) {
            AudioEngine::instance()->setMuteMusic(value.asBool());
            MusicPlayer::instance()->setVolume(AudioEngine::instance()->effectiveMusicVolume());
        },
        true);
}

void Application::registerFunctions() {
    VM::registerFunction("exitApp", std::function<void()>([] {
                             if (Application* app = instance()) app->quit();
                         }));
    VM::registerFunction("setState", std::function<void(const std::string&)>([](const std::string& name) {
                             if (const auto scene = currentScene()) scene->setState(name);
                         }));
    VM::registerFunction("pushState", std::function<void()>([] {
                             if (const auto scene = currentScene()) scene->pushState();
                         }));
    VM::registerFunction("popState", std::function<void()>([] {
                             if (const auto scene = currentScene()) scene->popState();
                         }));
    VM::registerFunction("pushAndSetState", std::function<void(const std::string&)>([](const std::string& name) {
                             if (const auto scene = currentScene()) {
                                 scene->pushState();
                                 scene->setState(name);
                             }
                         }));
    VM::registerFunction("slideDragbox",
                         std::function<void(const std::string&, float, float)>(
                             [](const std::string& name, float x, float y) {
                                 const auto scene = currentScene();
                                 if (!scene) return;
                                 // Held for the call: the stop's script may end the scene.
                                 const std::shared_ptr<DragBox> box =
                                     std::dynamic_pointer_cast<DragBox>(scene->findNode(name));
                                 if (box) box->slide({x, y});
                             }));
    VM::registerFunction("setTextInput", std::function<void(const std::string&)>([](const std::string& name) {
                             const auto scene = currentScene();
                             if (!scene) return;
                             if (std::shared_ptr<Node> node = scene->findNode(name)) scene->setFocus(node);
                         }));
    VM::registerFunction("unsetTextInput", std::function<void(const std::string&)>([](const std::string& name) {
                             const auto scene = currentScene();
                             if (!scene) return;
                             if (std::shared_ptr<Node> node = scene->findNode(name)) scene->releaseFocus(node);
                         }));
    VM::registerFunction("openWeb", std::function<void(const std::string&)>(
                                        [](const std::string& url) { Platform::instance()->openURL(url); }));
}

} // namespace vorn
