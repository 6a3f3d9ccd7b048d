// A locale's texts.strings: "key" = "text"; entries.
#include "FuzzSupport.h"

#include "core/Locale.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::Locale locale("fuzz");
    locale.parseStrings(vorn::fuzz::text(data, size));
    for (const auto& [key, text] : locale.texts()) {
        // Neither can hold a quote, and an empty one is no entry.
        if (key.empty() || text.empty() || key.find('"') != std::string::npos || text.find('"') != std::string::npos) {
            std::fprintf(stderr, "malformed entry read: \"%s\" = \"%s\"\n", key.c_str(), text.c_str());
            std::abort();
        }
        (void)locale.text(key);
    }
    return 0;
}
