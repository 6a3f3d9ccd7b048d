#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::test {

// Image files made in memory for fixtures; pixels top row first, 8 bits per
// channel, channels 1 to 4.
std::string encodePng(int width, int height, int channels, const std::vector<std::uint8_t>& pixels);
std::string encodeJpeg(int width, int height, int channels, const std::vector<std::uint8_t>& pixels);
// A gzip stream of bytes.
std::string gzip(const std::string& bytes);
// Writes a PNG file; false when it cannot.
bool writePng(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels);

} // namespace vorn::test
