// A locale's fonts.plist: the font files to load in place of others.
#include "FuzzSupport.h"

#include "core/Locale.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vorn::fuzz::writeScratch("fonts.plist", data, size);
    vorn::Locale locale("fuzz");
    locale.loadFonts(path);
    for (const auto& [name, replacement] : locale.fonts()) (void)locale.font(name);
    return 0;
}
