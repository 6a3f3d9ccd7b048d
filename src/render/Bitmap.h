#pragma once

#include "core/Data.h"

#include <string>

namespace vorn {

enum PixelFormat {
    PixelFormatNone = 0,
    PixelFormatRGBA8888 = 1,
    PixelFormatRGB888 = 2,
    PixelFormatA8 = 3,
    PixelFormatRGBA4444 = 4,
    PixelFormatRGB565 = 5,
    PixelFormatRGBA5551 = 6,
};

// The code whose name equals name exactly (case-sensitive); 0 for any other text.
int parsePixelFormat(const std::string& name);

// A CPU-side image: rows top first, no gap between rows. The 16-bit formats
// hold one little-endian value per pixel (RGBA4444: R in the top bits, A in
// the bottom ones; RGBA5551 likewise; RGB565: R, G, B from the top).
class Bitmap {
public:
    Bitmap() = default;

    static int bytesPerPixel(int format);

    // Replaces the contents with pixels (moved in when the caller gives
    // them up). A block too small for width x height pixels of format
    // leaves the bitmap empty (logged).
    void create(Data pixels, int width, int height, int format);
    // PNG or JPEG by their signatures; anything else is raw square pixels of
    // the requested format, possibly gzip-compressed. Missing, empty or
    // undecodable files give an empty bitmap.
    void loadFromFile(const char* path, int format);
    // PNG or JPEG held in memory. Format 0 keeps the file's channels (a
    // grey-with-alpha file keeps format 0 with 2 bytes per pixel); 4 and 6
    // convert to the 16-bit layouts; 5 stays RGBA8888. Pictures wider or
    // higher than 16384 pixels, and damaged ones, decode to nothing.
    void loadFromMemory(const unsigned char* bytes, int length, int format);

    // RGBA8888 to the 16-bit layouts in place; false on any other format.
    bool toRGBA5551();
    bool toRGBA4444();

    // Bytes of one pixel as stored: bytesPerPixel(format), or for format 0 the
    // channel count the decoder kept (2 for grey with alpha).
    int storedBytesPerPixel() const;
    bool empty() const { return pixels_.empty() || width_ <= 0 || height_ <= 0; }

    const Data& pixels() const { return pixels_; }
    // For a bitmap kept up to date in place (the glyph page): its pixels,
    // writable. Their amount must not change.
    std::uint8_t* writablePixels() { return pixels_.data(); }
    int width() const { return width_; }
    int height() const { return height_; }
    int format() const { return format_; }

private:
    void reset();
    // Takes decoded pixels of `channels` (0: the file's own, `fileChannels`)
    // as this bitmap's, in the format asked for.
    void keepDecoded(const unsigned char* decoded, int width, int height, int channels, int fileChannels, int format,
                     int result);

    Data pixels_;
    int width_ = 0;
    int height_ = 0;
    int format_ = 0;
};

} // namespace vorn
