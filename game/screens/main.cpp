#include "app/MainLoop.h"
#include "core/ResourceManager.h"
#include "platform/win32.h"
#include "screens/MahjongApp.h"

int main() {
    // A crash reporter where one is installed; nothing in it is called.
    LoadLibraryA("backtrace.dll");
    multiUser = true;
    // The application lives until the process ends: exit-time handlers
    // still log through it.
    auto* app = new MahjongApp();
    vorn::ResourceManager::instance()->addSearchPath("data_variants/portals");
    return vorn::runMainLoop(app);
}
