// The editor's background index, data/scenes/game/backgrounds/index.json.
#include "FuzzSupport.h"

#include "screens/BackgroundIndex.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)readBackgroundIndex(vorn::fuzz::text(data, size), "index.json");
    return 0;
}
