#pragma once

#include <glm/vec2.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorn {

class Window;

// What names the folder the running program keeps its files in: the
// application shell, which registers itself as it starts to run.
class DataFolderNamer {
public:
    virtual std::string dataFolderName() = 0;

protected:
    ~DataFolderNamer() = default;
};

// What the engine asks of the operating system.
class Platform {
public:
    virtual ~Platform() = default;
    static Platform* instance();

    void setWindow(Window* window);
    Window* window() const { return window_; }
    // Passes a display-mode change on to the window, when it really changes.
    void setFullscreen(bool fullscreen);
    bool isFullscreen() const { return fullscreen_; }

    std::string utf16ToUtf8(const std::wstring& text) const;
    std::wstring utf8ToUtf16(const std::string& text) const;

    glm::vec2 desktopSize() const;
    bool isLargeScreen() const;
    // Opens a web page in the desktop's browser; only http and https addresses.
    void openURL(const std::string& url) const;
    std::string platformName() const;
    std::string appFolderName() const;
    std::string deviceName() const;
    std::vector<std::string> preferredLanguages() const;
    // The per-user folder of the given name, created when missing; no trailing separator.
    std::string writableFolder(const std::string& name) const;
    // The running program's folder name: empty while none runs.
    void setDataFolderNamer(DataFolderNamer* namer);
    std::string runningDataFolderName() const;
    // The running program's writable folder; without one, the folder of
    // this platform's own name.
    std::string dataFolder() const;
    std::string userName() const;
    // A millisecond count that only ever moves forward; it wraps at 32 bits,
    // so only unsigned differences of two readings mean anything.
    std::uint32_t millisecondsSinceStart() const;
    void exitHook() const;

    // For tests: a clock and a desktop size of the test's choosing instead
    // of the real ones; an empty clock or a zero size restores them.
    void setClockForTesting(std::function<std::uint32_t()> clock);
    void setDesktopSizeForTesting(const glm::vec2& size);
    // For tests: no window, full screen, the real clock and desktop.
    static void resetForTests();

private:
    Platform() = default;
    bool fullscreen_ = true;
    Window* window_ = nullptr;
    std::atomic<DataFolderNamer*> namer_{nullptr};
    std::function<std::uint32_t()> testClock_;
    glm::vec2 testDesktopSize_{0.0f, 0.0f};
};

} // namespace vorn
