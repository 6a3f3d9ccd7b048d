#pragma once

#include "app/Application.h"

#include <string>

namespace vorn {
class User;
}

// Several named player profiles, the first one made by the player. Set by
// the program's entry before the application exists and never changed.
extern bool multiUser;

// The game's application: the design size, the per-user folder, the title
// and the start-up.
class MahjongApp : public virtual vorn::Application {
public:
    MahjongApp() = default;

    std::string windowTitle() override;
    // 768 high; as wide as the desktop's aspect makes it, or 1024 on a
    // desktop taller than wide.
    glm::vec2 designSize() override;
    bool queryFlag() override;
    std::string dataFolderName() override;
    // Default font, analytics, player profiles, projection, the splash
    // screen and the store's products.
    void setup() override;

    // A profile added during the run gets the configured initial gold and
    // power-ups once.
    static void giveInitialResources(vorn::User* profile);

    // Data the game cannot run without is missing: says which and ends the
    // run with status 1 after the frame that is running.
    static void stopForMissingData(const std::string& what);
};
