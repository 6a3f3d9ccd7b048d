// The level list, data/levels.json; the layouts it names are read from the
// game's data.
#include "FuzzSupport.h"

#include "screens/LevelList.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LevelList list;
    list.read(vorn::fuzz::text(data, size), "levels.json");
    (void)list.nextLevelUid();
    (void)list.totalStars();
    return 0;
}
