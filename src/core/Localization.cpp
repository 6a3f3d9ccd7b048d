#include "core/Localization.h"

#include "core/Locale.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/StringUtils.h"

#include <algorithm>
#include <utility>

namespace vorn {

namespace {

Localization* made = nullptr;

} // namespace

Localization* Localization::instance() {
    static Localization* holder = made = new Localization();
    return holder;
}

void Localization::resetForTests() {
    if (made == nullptr) return;
    made->setLocale(nullptr);
}

std::shared_ptr<Locale> Localization::current() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!current_) {
        const std::string name =
            chooseLocaleName(readTextFile("data/locales/locales.txt"), Platform::instance()->preferredLanguages(),
                             readTextFile("data/default_locale.txt"));
        current_ = std::make_shared<Locale>(name);
        log("selected locale %s", name.c_str());
    }
    return current_;
}

void Localization::setLocale(std::shared_ptr<Locale> locale) {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = std::move(locale);
}

std::string Localization::chooseLocaleName(const std::string& localesText, const std::vector<std::string>& preferred,
                                           const std::string& defaultText) {
    std::vector<std::string> available;
    for (const std::string& line : split(localesText, "\n")) {
        std::string name = trim(line);
        if (!name.empty()) available.push_back(std::move(name));
    }
    const auto isAvailable = [&](const std::string& name) {
        return !name.empty() && std::find(available.begin(), available.end(), name) != available.end();
    };

    std::string candidate = "en_US";
    for (const std::string& language : preferred) {
        if (isAvailable(language)) {
            candidate = language;
            break;
        }
        const std::string base = language.substr(0, language.find('_'));
        if (isAvailable(base)) {
            candidate = base;
            break;
        }
    }

    const std::string chosen = trim(defaultText);
    return chosen.empty() ? candidate : chosen;
}

} // namespace vorn
