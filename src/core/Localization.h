#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vorn {

class Locale;

// Holds the current locale, chosen on first use from "data/locales/locales.txt",
// the player's preferred languages and "data/default_locale.txt".
class Localization {
public:
    static Localization* instance();

    // The current locale; the first call chooses and loads it. Shared, so a
    // reader on the preload worker keeps it alive across a switch.
    std::shared_ptr<Locale> current();
    // Replaces the current locale; texts already shown keep their wording.
    void setLocale(std::shared_ptr<Locale> locale);

    // The name to load: the first preferred language (or its part before
    // "_") found among the available names, else "en_US"; a non-empty
    // default file overrides both. Names are compared and used without
    // surrounding white space, so a line end in either file changes nothing.
    static std::string chooseLocaleName(const std::string& localesText, const std::vector<std::string>& preferred,
                                        const std::string& defaultText);

    // For tests: no locale chosen, so the next current() chooses again.
    static void resetForTests();

private:
    Localization() = default;

    // The preload worker may ask for a font, and through it for the locale,
    // at the same time as the main thread.
    std::mutex mutex_;
    std::shared_ptr<Locale> current_;
};

} // namespace vorn
