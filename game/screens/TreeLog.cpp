#include "screens/TreeLog.h"

#include "core/Log.h"
#include "scene/CompositeActions.h"
#include "scene/Image9.h"
#include "scene/Scene.h"
#include "scene/SimpleActions.h"
#include "scene/Text.h"
#include "widgets/Button.h"
#include "widgets/CheckBox.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"
#include "widgets/Progress.h"
#include "widgets/Slideshow.h"
#include "widgets/TextInput.h"

#include <cstdio>
#include <cstdlib>

namespace treeLog {

namespace {

std::string describe(vorn::Node& node) {
    char extra[160] = "";
    std::string kind = "node";
    if (auto* input = dynamic_cast<vorn::TextInput*>(&node)) {
        kind = "text_input text=\"" + input->getText() + "\"";
    } else if (auto* text = dynamic_cast<vorn::Text*>(&node)) {
        kind = "text text=\"" + text->getText() + "\"";
    } else if (dynamic_cast<vorn::Button*>(&node)) {
        kind = "button";
    } else if (auto* box = dynamic_cast<vorn::CheckBox*>(&node)) {
        kind = std::string("checkbox checked=") + (box->isChecked() ? "1" : "0");
    } else if (auto* drag = dynamic_cast<vorn::DragBox*>(&node)) {
        std::snprintf(extra, sizeof extra, " dx=%.1f", static_cast<double>(drag->getDisplacement().x));
        kind = "dragbox";
    } else if (dynamic_cast<vorn::NodeList*>(&node)) {
        kind = "nodelist children=" + std::to_string(node.children().size());
    } else if (auto* progress = dynamic_cast<vorn::Progress*>(&node)) {
        std::snprintf(extra, sizeof extra, " value=%.3f", static_cast<double>(progress->getValue()));
        kind = "progress";
    } else if (dynamic_cast<vorn::Slideshow*>(&node)) {
        kind = "slideshow";
    } else if (dynamic_cast<vorn::Image9*>(&node)) {
        kind = "image9";
    } else if (dynamic_cast<vorn::Image*>(&node)) {
        kind = "image";
    }
    return kind + extra;
}

void walk(vorn::Node& node, const std::string& title, const std::string& path, bool shown) {
    for (const auto& child : node.getChildren()) {
        const bool childShown = shown && child->isVisible();
        std::string childPath = path;
        const std::string name = child->getName();
        if (!name.empty()) {
            childPath = path.empty() ? name : path + "/" + name;
            const glm::vec3 centre = child->getWorldCenter();
            vorn::log("%s node %s kind=%s state=%s shown=%d enabled=%d x=%.1f y=%.1f", title.c_str(), childPath.c_str(),
                      describe(*child).c_str(), child->getState().c_str(), childShown ? 1 : 0,
                      child->isEnabled() ? 1 : 0, static_cast<double>(centre.x), static_cast<double>(centre.y));
        }
        walk(*child, title, childPath, childShown);
    }
}

} // namespace

bool enabled() {
    static const bool on = std::getenv("VORN_TREE_LOG") != nullptr;
    return on;
}

void write(vorn::Scene& scene, const std::string& title, const std::string& why) {
    if (!enabled()) return;
    vorn::log("%s tree %s: state %s", title.c_str(), why.c_str(), scene.getCurrentState().c_str());
    walk(scene, title, "", scene.isVisible());
    vorn::log("%s tree end", title.c_str());
}

void later(vorn::Scene& scene, const std::string& title, const std::string& why, float delay) {
    if (!enabled()) return;
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(delay),
                                     new vorn::FunctionAction([title, why](vorn::Node* node) {
                                         if (auto* target = dynamic_cast<vorn::Scene*>(node)) write(*target, title, why);
                                     })};
    scene.runAction(new vorn::Sequence(steps, 2));
}

} // namespace treeLog
