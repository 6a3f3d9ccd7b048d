#include "widgets/UiDefaults.h"

#include "core/Log.h"
#include "render/fonts/EasyFont.h"

namespace vorn {

namespace {

UiDefaults* made = nullptr;

} // namespace

UiDefaults* UiDefaults::instance() {
    // The preload worker may be the first to ask (a font request with no
    // usable file), so creation must be safe from any thread.
    static UiDefaults* defaults = made = new UiDefaults();
    return defaults;
}

void UiDefaults::resetForTests() {
    if (made == nullptr) return;
    made->defaultFont_ = std::make_shared<EasyFont>();
}

UiDefaults::UiDefaults() : defaultFont_(std::make_shared<EasyFont>()) {}

void UiDefaults::setDefaultFont(const std::shared_ptr<Font>& font) {
    if (!font) {
        log("UiDefaults::setDefaultFont: no font given; the default font stays");
        return;
    }
    defaultFont_ = font;
}

} // namespace vorn
