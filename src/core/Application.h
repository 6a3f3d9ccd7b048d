#pragma once

#include <string>

namespace vorn {

// The root object of a program built on the engine; exactly one per process.
class Application {
public:
    Application() = default;
    virtual ~Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The running application; null until the run loop registers it.
    static Application* instance();
    static void setInstance(Application* app);

    // Name of the per-user folder.
    virtual std::string dataFolderName();
};

} // namespace vorn
