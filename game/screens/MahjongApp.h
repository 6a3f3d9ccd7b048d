#pragma once

#include "core/Application.h"

// The game's application: the design size, the per-user folder, the title
// and the start-up.
class MahjongApp : public virtual vorn::Application {
public:
    MahjongApp() = default;

    // 768 high; as wide as the desktop's aspect makes it, or 1024 on a
    // desktop taller than wide.
    glm::vec2 designSize() override;
    std::string dataFolderName() override;
    std::string windowTitle() override;
    bool queryFlag() override;
    void setup() override;
};
