#include "core/MainLoop.h"
#include "screens/MahjongApp.h"

int main() {
    // The application lives until the process ends: exit-time handlers
    // still log through it.
    auto* app = new MahjongApp();
    return vorn::runMainLoop(app);
}
