#include "screens/GalleryScene.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/VM.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"

#include <functional>
#include <typeinfo>

namespace {

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
