// Picture files that are neither PNG nor JPEG: raw square pixels, plain or
// gzip-compressed, read through the file loader.
#include "FuzzSupport.h"

#include "render/Bitmap.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vorn::fuzz::writeScratch("picture.raw", data, size);
    for (const int format : {vorn::PixelFormatRGBA8888, vorn::PixelFormatRGB565, vorn::PixelFormatA8}) {
        vorn::Bitmap bitmap;
        bitmap.loadFromFile(path.c_str(), format);
    }
    return 0;
}
