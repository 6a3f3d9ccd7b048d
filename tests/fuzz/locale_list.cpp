// The choice of a locale from data/locales/locales.txt, the player's
// languages and data/default_locale.txt. The input holds the three, in that
// order, parted by NUL bytes; the languages one a line.
#include "FuzzSupport.h"

#include "core/Localization.h"
#include "core/StringUtils.h"

#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts = vorn::split(vorn::fuzz::text(data, size), std::string(1, '\0'));
    const std::string locales = parts.size() > 0 ? parts[0] : std::string();
    const std::vector<std::string> preferred =
        parts.size() > 1 ? vorn::split(parts[1], "\n") : std::vector<std::string>();
    const std::string defaultText = parts.size() > 2 ? parts[2] : std::string();
    (void)vorn::Localization::chooseLocaleName(locales, preferred, defaultText);
    return 0;
}
