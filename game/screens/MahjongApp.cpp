#include "screens/MahjongApp.h"

#include "core/Platform.h"
#include "screens/DemoScene.h"
#include "screens/GalleryScene.h"

#include <cstdlib>
#include <cstring>
#include <memory>

glm::vec2 MahjongApp::designSize() {
    const glm::vec2 desktop = vorn::Platform::instance()->desktopSize();
    if (desktop.x <= 0.0f || desktop.y <= 0.0f || desktop.y > desktop.x) return {1024.0f, 768.0f};
    return {768.0f * desktop.x / desktop.y, 768.0f};
}

std::string MahjongApp::dataFolderName() {
    const std::string name = vorn::Platform::instance()->appFolderName();
    return name.empty() ? "VoyaluneMahjong" : name;
}

std::string MahjongApp::windowTitle() { return "Mahjong"; }

bool MahjongApp::queryFlag() { return false; }

void MahjongApp::setup() {
    // VORN_DEMO=gallery shows the widget gallery instead of the demonstration.
    const char* demo = std::getenv("VORN_DEMO");
    if (demo && std::strcmp(demo, "gallery") == 0) {
        runScene(std::make_shared<GalleryScene>(this));
        return;
    }
    runScene(std::make_shared<DemoScene>(this));
}
