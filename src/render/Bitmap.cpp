#include "render/Bitmap.h"

#include "core/Log.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

// Internal linkage, so that no other user of the decoder in the program can
// clash with this copy.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
// PNG only: JPEG files go to libjpeg, which checks what it reads.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
// Nothing reads the failure reasons, and one of them is written to a shared
// buffer: decoding runs on several threads.
#define STBI_NO_FAILURE_STRINGS
// Zeroed memory, so that no decoder state is ever read before it is set.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#include <stb/stb_image.h>

#include <jpeglib.h>

namespace vorn {

namespace {

bool startsWith(const Data& data, const unsigned char* signature, std::uint32_t length) {
    return data.size() >= length && std::memcmp(data.data(), signature, length) == 0;
}

// The largest w with w * w <= n.
std::uint32_t squareSide(std::uint64_t n) {
    auto side = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    while (side * side > n) {
        --side;
    }
    while ((side + 1) * (side + 1) <= n) {
        ++side;
    }
    return static_cast<std::uint32_t>(side);
}

// Packs an RGBA8888 block into one little-endian 16-bit value per pixel.
template <typename Pack>
Data packTo16(const Data& rgba, std::uint64_t pixelCount, Pack pack) {
    Data out(static_cast<std::uint32_t>(pixelCount * 2));
    const std::uint8_t* in = rgba.data();
    std::uint8_t* o = out.data();
    for (std::uint64_t i = 0; i < pixelCount; ++i, in += 4, o += 2) {
        const std::uint16_t value = pack(in[0], in[1], in[2], in[3]);
        o[0] = static_cast<std::uint8_t>(value & 0xFF);
        o[1] = static_cast<std::uint8_t>(value >> 8);
    }
    return out;
}

// stb_image sets aside what a PNG chunk's length says before reading it, so
// a few bytes could ask for gigabytes: every chunk must lie within the file.
bool pngChunksFit(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 8;
    while (size - i >= 8) {
        const std::size_t length = std::size_t(bytes[i]) << 24 | std::size_t(bytes[i + 1]) << 16 |
                                   std::size_t(bytes[i + 2]) << 8 | bytes[i + 3];
        if (length > size - i - 8) return false;
        if (std::memcmp(bytes + i + 4, "IEND", 4) == 0) return true;
        i += 8 + length;
        if (size - i < 4) return true;
        i += 4; // the checksum
    }
    return true;
}

// stb_image copies each image data chunk onto the end of the data before it,
// and with nothing before it, an empty first chunk is a copy to a null
// pointer. Empty chunks add nothing, so they are left out of what it reads,
// the last one too when the file ends before its checksum.
std::vector<unsigned char> withoutEmptyImageData(const unsigned char* bytes, std::size_t size) {
    std::vector<unsigned char> kept;
    std::size_t copied = 0;
    std::size_t i = 8;
    while (size - i >= 8) {
        const std::size_t length = std::size_t(bytes[i]) << 24 | std::size_t(bytes[i + 1]) << 16 |
                                   std::size_t(bytes[i + 2]) << 8 | bytes[i + 3];
        if (length > size - i - 8) break;
        const std::size_t next = std::min(size, i + 12 + length);
        if (length == 0 && std::memcmp(bytes + i + 4, "IDAT", 4) == 0) {
            kept.insert(kept.end(), bytes + copied, bytes + i);
            copied = next;
        }
        i = next;
    }
    if (copied != 0) kept.insert(kept.end(), bytes + copied, bytes + size);
    return kept;
}

// No texture is larger; the decoder would set aside the whole picture first.
constexpr int kMaxSide = 16384;

// libjpeg ends a failed decode through its error handler, which jumps back
// to decodeJpeg.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf failed;
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->failed, 1);
}

// A warning is damaged data that libjpeg would decode on, filling in what is
// missing: a few hundred bytes could then make it write a picture of
// hundreds of megabytes in full. It ends the decode instead; the messages
// that trace the decode (levels above 0) are ignored.
void jpegMessage(j_common_ptr info, int level) {
    if (level < 0) jpegFailed(info);
}

// A JPEG file's pixels, 8 bits per channel, in malloc'd memory: `channels`
// of them (1, 3 or 4; 0 for the file's own, grey or RGB), or null when the
// file cannot be decoded. Nothing with a destructor lives in this frame: a
// failure jumps out of libjpeg back to the setjmp.
unsigned char* decodeJpeg(const unsigned char* bytes, std::size_t size, int channels, int& width, int& height,
                          int& decodedChannels) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    errors.manager.emit_message = jpegMessage;
    unsigned char* volatile pixels = nullptr;
    if (setjmp(errors.failed)) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    // A progressive file keeps every coefficient until its last scan: what
    // the picture may take is bounded before libjpeg sets it aside.
    info.mem->max_memory_to_use = 256L * 1024 * 1024;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    constexpr auto kMaxJpegSide = static_cast<JDIMENSION>(kMaxSide);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width > kMaxJpegSide ||
        info.image_height > kMaxJpegSide) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    const int wanted = channels != 0 ? channels : info.num_components == 1 ? 1 : 3;
    info.out_color_space = wanted == 1 ? JCS_GRAYSCALE : wanted == 3 ? JCS_RGB : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    const std::size_t row = static_cast<std::size_t>(info.output_width) * static_cast<std::size_t>(wanted);
    pixels = static_cast<unsigned char*>(std::calloc(row * info.output_height, 1));
    if (!pixels || info.output_components != wanted) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return nullptr;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW line = pixels + row * info.output_scanline;
        jpeg_read_scanlines(&info, &line, 1);
    }
    jpeg_finish_decompress(&info);
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    decodedChannels = wanted;
    jpeg_destroy_decompress(&info);
    return pixels;
}

} // namespace

int parsePixelFormat(const std::string& name) {
    if (name == "RGBA8888") return PixelFormatRGBA8888;
    if (name == "RGB888") return PixelFormatRGB888;
    if (name == "RGBA4444") return PixelFormatRGBA4444;
    if (name == "RGB565") return PixelFormatRGB565;
    if (name == "RGBA5551") return PixelFormatRGBA5551;
    if (name == "A8") return PixelFormatA8;
    return PixelFormatNone;
}

int Bitmap::bytesPerPixel(int format) {
    switch (format) {
    case PixelFormatRGBA8888:
        return 4;
    case PixelFormatRGB888:
        return 3;
    case PixelFormatA8:
        return 1;
    case PixelFormatRGBA4444:
    case PixelFormatRGB565:
    case PixelFormatRGBA5551:
        return 2;
    default:
        return 0;
    }
}

int Bitmap::storedBytesPerPixel() const {
    if (format_ == PixelFormatNone && !empty()) {
        // Only a grey-with-alpha image keeps format 0.
        return 2;
    }
    return bytesPerPixel(format_);
}

void Bitmap::reset() {
    pixels_ = Data();
    width_ = 0;
    height_ = 0;
    format_ = PixelFormatNone;
}

void Bitmap::create(Data pixels, int width, int height, int format) {
    reset();
    const int bpp = bytesPerPixel(format);
    if (width <= 0 || height <= 0 || bpp == 0) {
        log("Bitmap::create: no pixels for %i x %i of format %i", width, height, format);
        return;
    }
    const std::uint64_t needed = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * bpp;
    if (pixels.size() < needed) {
        log("Bitmap::create: %u bytes are too few for %i x %i of format %i", pixels.size(), width, height, format);
        return;
    }
    pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
    format_ = format;
}

void Bitmap::loadFromFile(const char* path, int format) {
    reset();
    if (!path) {
        return;
    }
    Data file = Data::readFile(path);
    if (file.empty()) {
        return;
    }

    static const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF};
    static const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    if (startsWith(file, jpeg, sizeof(jpeg)) || startsWith(file, png, sizeof(png))) {
        if (file.size() > static_cast<std::uint32_t>(INT32_MAX)) {
            log("Bitmap: %s is too large to decode", path);
            return;
        }
        loadFromMemory(file.data(), static_cast<int>(file.size()), format);
        if (empty()) {
            log("Bitmap: can't decode %s", path);
        }
        return;
    }

    // Raw square pixels in the requested format.
    const int bpp = bytesPerPixel(format);
    if (bpp == 0) {
        log("Bitmap: %s holds raw pixels, but format %i gives them no size", path, format);
        return;
    }
    static const unsigned char gzip[] = {0x1F, 0x8B};
    Data pixels;
    if (startsWith(file, gzip, sizeof(gzip))) {
        if (pixels.inflate(file) != 1) {
            log("Bitmap: damaged gzip data in %s", path);
            return;
        }
    } else {
        pixels = std::move(file);
    }
    const std::uint32_t side = squareSide(pixels.size() / static_cast<std::uint32_t>(bpp));
    if (side == 0 || side > static_cast<std::uint32_t>(INT32_MAX)) {
        log("Bitmap: %s is too small for one pixel of format %i", path, format);
        return;
    }
    pixels_ = std::move(pixels);
    width_ = static_cast<int>(side);
    height_ = static_cast<int>(side);
    format_ = format;
}

void Bitmap::loadFromMemory(const unsigned char* bytes, int length, int format) {
    // A failed decode leaves an empty bitmap: keeping the old size without
    // pixels would make readers run past the end of the block.
    reset();
    if (!bytes || length <= 0) {
        return;
    }

    int channels = 4;
    int result = PixelFormatRGBA8888;
    switch (format) {
    case PixelFormatRGBA8888:
        break;
    case PixelFormatRGB888:
        channels = 3;
        result = PixelFormatRGB888;
        break;
    case PixelFormatA8:
        channels = 1;
        result = PixelFormatA8;
        break;
    case PixelFormatNone:
        channels = 0;
        break;
    default:
        break;
    }

    static const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    const auto fileSize = static_cast<std::size_t>(length);
    int width = 0;
    int height = 0;
    int fileChannels = 0;
    if (fileSize >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        unsigned char* decoded = decodeJpeg(bytes, fileSize, channels, width, height, fileChannels);
        if (decoded) keepDecoded(decoded, width, height, channels, fileChannels, format, result);
        std::free(decoded);
        return;
    }
    std::vector<unsigned char> pngCopy;
    if (fileSize >= sizeof png && std::memcmp(bytes, png, sizeof png) == 0) {
        if (!pngChunksFit(bytes, fileSize)) return;
        pngCopy = withoutEmptyImageData(bytes, fileSize);
        if (!pngCopy.empty()) {
            bytes = pngCopy.data();
            length = static_cast<int>(pngCopy.size());
        }
    }
    int declaredWidth = 0, declaredHeight = 0, declaredChannels = 0;
    if (stbi_info_from_memory(bytes, length, &declaredWidth, &declaredHeight, &declaredChannels) &&
        (declaredWidth > kMaxSide || declaredHeight > kMaxSide)) {
        return;
    }
    stbi_uc* decoded = stbi_load_from_memory(bytes, length, &width, &height, &fileChannels, channels);
    if (decoded) keepDecoded(decoded, width, height, channels, fileChannels, format, result);
    stbi_image_free(decoded);
}

void Bitmap::keepDecoded(const unsigned char* decoded, int width, int height, int channels, int fileChannels,
                         int format, int result) {
    if (channels == 0) {
        channels = fileChannels;
        switch (fileChannels) {
        case 4:
            result = PixelFormatRGBA8888;
            break;
        case 3:
            result = PixelFormatRGB888;
            break;
        case 1:
            result = PixelFormatA8;
            break;
        default:
            result = PixelFormatNone;
            break;
        }
    }
    const std::uint64_t size = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * channels;
    if (width <= 0 || height <= 0 || size > UINT32_MAX) {
        return;
    }
    pixels_ = Data(decoded, static_cast<std::uint32_t>(size));
    width_ = width;
    height_ = height;
    format_ = result;

    if (format_ == PixelFormatRGBA8888 && format == PixelFormatRGBA5551) {
        toRGBA5551();
    } else if (format_ == PixelFormatRGBA8888 && format == PixelFormatRGBA4444) {
        toRGBA4444();
    }
}

bool Bitmap::toRGBA5551() {
    if (format_ != PixelFormatRGBA8888) {
        return false;
    }
    const std::uint64_t count = static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_);
    pixels_ = packTo16(pixels_, count, [](unsigned r, unsigned g, unsigned b, unsigned a) {
        return static_cast<std::uint16_t>(((r << 8) & 0xF800) | ((g << 3) & 0x07C0) | ((b >> 2) & 0x003E) |
                                          (a >> 7));
    });
    format_ = PixelFormatRGBA5551;
    return true;
}

bool Bitmap::toRGBA4444() {
    if (format_ != PixelFormatRGBA8888) {
        return false;
    }
    const std::uint64_t count = static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_);
    pixels_ = packTo16(pixels_, count, [](unsigned r, unsigned g, unsigned b, unsigned a) {
        return static_cast<std::uint16_t>(((r << 8) & 0xF000) | ((g << 4) & 0x0F00) | (b & 0x00F0) | (a >> 4));
    });
    format_ = PixelFormatRGBA4444;
    return true;
}

} // namespace vorn
