#include "support/ImageFiles.h"

#include "support/TempDir.h"

#include <zlib.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace vorn::test {

namespace {

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

} // namespace

std::string encodePng(int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    std::string out;
    stbi_write_png_to_func(appendBytes, &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

std::string encodeJpeg(int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    std::string out;
    stbi_write_jpg_to_func(appendBytes, &out, width, height, channels, pixels.data(), 100);
    return out;
}

std::string gzip(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool writePng(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    const std::string png = encodePng(width, height, channels, pixels);
    if (png.empty()) {
        return false;
    }
    writeBytes(path, png);
    return true;
}

} // namespace vorn::test
