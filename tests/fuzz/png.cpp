// PNG pictures as the bitmap decodes them: keeping the file's channels, and
// converted to a 16-bit layout.
#include "FuzzSupport.h"

#include "render/Bitmap.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int length = static_cast<int>(size);
    for (const int format : {vorn::PixelFormatNone, vorn::PixelFormatRGBA4444}) {
        vorn::Bitmap bitmap;
        bitmap.loadFromMemory(data, length, format);
    }
    return 0;
}
