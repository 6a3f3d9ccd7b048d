#pragma once

#include <memory>
#include <string>

namespace vorn {

class Font;

// What texts and widgets fall back on when a scene file does not say: the
// default font and the effects a button plays when released.
//
// Set on the main thread during the game's set-up, before any worker
// starts; read afterwards from any thread.
class UiDefaults {
public:
    static UiDefaults* instance();

    UiDefaults(const UiDefaults&) = delete;
    UiDefaults& operator=(const UiDefaults&) = delete;

    // Never null: the built-in vector font until the game sets its own.
    std::shared_ptr<Font> defaultFont() const { return defaultFont_; }
    // A null font is refused (logged), so readers never get one.
    void setDefaultFont(const std::shared_ptr<Font>& font);

    const std::string& clickEffect() const { return clickEffectFile_; }
    const std::string& inactiveClickEffect() const { return inactiveClickEffectFile_; }

    // For tests: the built-in vector font again.
    static void resetForTests();

private:
    UiDefaults();

    std::shared_ptr<Font> defaultFont_;
    std::string clickEffectFile_ = "data/effects/click.xml";
    std::string inactiveClickEffectFile_ = "data/effects/click_inact.xml";
};

} // namespace vorn
