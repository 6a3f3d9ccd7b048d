#include "core/Platform.h"

#include "core/Window.h"

#include "platform/win32.h"

#include <chrono>
#include <utility>

namespace vorn {

Platform* Platform::instance() {
    static Platform* platform = new Platform();
    return platform;
}

void Platform::resetForTests() {
    Platform* platform = instance();
    platform->window_ = nullptr;
    platform->fullscreen_ = true;
    platform->testClock_ = nullptr;
    platform->testDesktopSize_ = {0.0f, 0.0f};
}

void Platform::setWindow(Window* window) { window_ = window; }

void Platform::setFullscreen(bool fullscreen) {
    if (fullscreen == fullscreen_) return;
    fullscreen_ = fullscreen;
    if (window_) window_->setFullscreen(fullscreen);
}

glm::vec2 Platform::desktopSize() const {
    if (testDesktopSize_.x > 0.0f && testDesktopSize_.y > 0.0f) return testDesktopSize_;
    RECT rect{};
    if (!GetWindowRect(GetDesktopWindow(), &rect)) return {0.0f, 0.0f};
    return {static_cast<float>(rect.right), static_cast<float>(rect.bottom)};
}

bool Platform::isLargeScreen() const { return desktopSize().y >= 1080.0f; }

std::string Platform::utf16ToUtf8(const std::wstring& text) const {
    if (text.empty()) return {};
    const int units = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring Platform::utf8ToUtf16(const std::string& text) const {
    if (text.empty()) return {};
    const int bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
    if (units <= 0) return {};
    std::wstring out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, out.data(), units);
    return out;
}

void Platform::openURL(const std::string& url) const {
    // Only web addresses reach the desktop's handler: anything else could
    // name a local program or document.
    const bool web = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
    if (!web) return;
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string Platform::platformName() const {
#ifdef _WIN32
    return "win";
#else
    return "linux";
#endif
}

std::string Platform::appFolderName() const { return {}; }

std::string Platform::deviceName() const { return {}; }

std::vector<std::string> Platform::preferredLanguages() const { return {}; }

std::string Platform::writableFolder(const std::string& name) const {
    WCHAR path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    PathAppendW(path, utf8ToUtf16(name).c_str());
    CreateDirectoryW(path, nullptr);
    return utf16ToUtf8(path);
}

void Platform::setDataFolderNamer(DataFolderNamer* namer) { namer_.store(namer, std::memory_order_release); }

std::string Platform::runningDataFolderName() const {
    DataFolderNamer* namer = namer_.load(std::memory_order_acquire);
    return namer ? namer->dataFolderName() : std::string();
}

std::string Platform::dataFolder() const {
    DataFolderNamer* namer = namer_.load(std::memory_order_acquire);
    return writableFolder(namer ? namer->dataFolderName() : appFolderName());
}

std::string Platform::userName() const {
    WCHAR name[257] = {};
    DWORD size = 257;
    if (!GetUserNameW(name, &size)) name[0] = 0;
    const std::string text = utf16ToUtf8(name);
    return text.empty() ? "Player" : text;
}

std::uint32_t Platform::millisecondsSinceStart() const {
    if (testClock_) return testClock_();
    // A monotonic clock: the time of day jumps when somebody sets it.
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

void Platform::exitHook() const {}

void Platform::setClockForTesting(std::function<std::uint32_t()> clock) { testClock_ = std::move(clock); }

void Platform::setDesktopSizeForTesting(const glm::vec2& size) { testDesktopSize_ = size; }

} // namespace vorn
