#pragma once

#include "scene/Scene.h"

#include <map>
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

    static const char* const file;

private:
    std::map<std::string, int> counts_;
};
