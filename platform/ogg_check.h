#pragma once

// The checks an Ogg Vorbis file passes before the decoder is given it. The
// decoder allocates what the headers declare, so a file of a few bytes could
// otherwise ask for gigabytes; every declared amount here is held to a bound
// tied to the file's size.

#include <cstddef>
#include <cstdint>
#include <string>

namespace bass {

struct VorbisHeader {
    int channels = 0;
    int rate = 0;
};

// The least and most source rates taken; others would make the rate
// converter's output grow out of all proportion to the file.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

// Why bytes are not an Ogg Vorbis file that may be decoded; empty when they
// are one. The file must be one logical stream of whole pages with good
// checksums; its three headers must be whole and what they declare (comment
// counts and lengths, codebook sizes) must fit in what the file holds. The
// identification header's channels and rate go to header.
std::string checkOggVorbis(const std::uint8_t* bytes, std::size_t size, VorbisHeader* header);

// The Ogg page checksum (polynomial 0x04C11DB7, no reflection) of bytes.
std::uint32_t oggChecksum(const std::uint8_t* bytes, std::size_t size);

} // namespace bass
