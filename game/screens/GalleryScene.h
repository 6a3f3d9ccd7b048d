#pragma once

#include "core/Scheduler.h"
#include "scene/Scene.h"
#include "widgets/Slideshow.h"

#include <map>
#include <memory>
#include <string>

// A screen with every widget on it, from "data/scenes/gallery/gallery.xml",
// for looking at them and for driving them from outside: a button whose
// label counts its clicks, a check box, a radio group, a spin box and the
// picture that follows it, a slider with a bar and a sector on the same
// value, a text field and the text that echoes it, a strip of tiles in a
// drag box, a slideshow and a list in columns. The scripts of the widgets
// call "count", which logs "Gallery: count <what> <n>"; every change of a
// gallery data source is logged as "Gallery: <source> = <value>", and
// "Gallery: ready" a second after entering.
class GalleryScene : public vorn::Scene {
public:
    explicit GalleryScene(vorn::Application* application);

    void onEnterStage() override;
    void onChildrenEnteredStage() override;
    void onExitStage() override;

    static const char* const file;

private:
    // Steps the slideshow with at most a short frame's time, in its place
    // on the scheduler.
    class SlideClock : public vorn::Scheduleable {
    public:
        void onUpdate(float dt) override;

        std::weak_ptr<vorn::Slideshow> slides;
    };

    std::map<std::string, int> counts_;
    SlideClock slideClock_;
};
