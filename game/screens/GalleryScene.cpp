#include "screens/GalleryScene.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/VM.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"

#include <algorithm>
#include <functional>
#include <typeinfo>

namespace {

// A slideshow carries a long frame's time over into its next phases, one
// phase a frame: the first frame (while the renderer builds its programs
// and uploads the pictures) or one on a busy machine would flash the slides
// past for a frame or two each. Stepped with at most this, a slow machine
// shows them whole, only slower; at 30 frames a second or more nothing
// changes.
constexpr float longestSlideStep = 1.0f / 30.0f;

const char* const sources[] = {"gallery.clicks", "gallery.sound",  "gallery.level", "gallery.difficulty",
                               "gallery.volume", "gallery.name",   "gallery.scroll"};

} // namespace

const char* const GalleryScene::file = "data/scenes/gallery/gallery.xml";

GalleryScene::GalleryScene(vorn::Application* application) : Scene(application) {
    // What the widgets start from; set before they enter and read it.
    vorn::DataSource::get("gallery.clicks")->set(vorn::Value(0));
    vorn::DataSource::get("gallery.volume")->set(vorn::Value(0.25));
    vorn::DataSource::get("gallery.level")->set(vorn::Value("1"));
    vorn::DataSource::get("gallery.sound")->set(vorn::Value(false));
    vorn::VM::registerFunction("count", std::function<void(const std::string&)>([this](const std::string& what) {
                                   const int n = ++counts_[what];
                                   vorn::log("Gallery: count %s %d", what.c_str(), n);
                                   if (what == "button") vorn::DataSource::get("gallery.clicks")->set(vorn::Value(n));
                               }));
    load(file);
}

void GalleryScene::onEnterStage() {
    auto* dispatcher = vorn::EventDispatcher::instance();
    for (const char* name : sources) {
        vorn::DataSource* source = vorn::DataSource::get(name);
        // Replaced, not added, by the next gallery; they hold nothing of the scene.
        dispatcher->addListener(source, new vorn::EventListener(typeid(vorn::DataSource::ChangedEvent),
                                                                [name, source](vorn::Event*) {
                                                                    vorn::log("Gallery: %s = %s", name,
                                                                              source->value().toString().c_str());
                                                                }),
                                true);
    }
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(1.0f),
                                     new vorn::FunctionAction([](vorn::Node*) { vorn::log("Gallery: ready"); })};
    runAction(new vorn::Sequence(steps, 2));
}

void GalleryScene::onChildrenEnteredStage() {
    const auto slides = std::dynamic_pointer_cast<vorn::Slideshow>(findChild("slides", true));
    if (!slides || !slides->currentSlide()) return;
    vorn::Scheduler::instance()->remove(slides.get());
    slideClock_.slides = slides;
    vorn::Scheduler::instance()->add(&slideClock_);
}

void GalleryScene::onExitStage() { vorn::Scheduler::instance()->remove(&slideClock_); }

void GalleryScene::SlideClock::onUpdate(float dt) {
    const std::shared_ptr<vorn::Slideshow> show = slides.lock();
    if (!show || !show->currentSlide()) {
        vorn::Scheduler::instance()->remove(this);
        return;
    }
    show->onUpdate(std::min(dt, longestSlideStep));
}
