// Ogg Vorbis files as the audio layer reads them: whole (sound effects) and
// as a stream (music), rewound once. The pages' checksums are made to fit
// first: a changed byte would otherwise only ever meet the checksum test.
#include "FuzzSupport.h"

#include "platform/bass_mixer.h"
#include "platform/ogg_check.h"

#include <cstring>
#include <vector>

namespace {

void fitChecksums(std::vector<std::uint8_t>& bytes) {
    for (std::size_t at = 0; at + 27 <= bytes.size() && std::memcmp(&bytes[at], "OggS", 4) == 0;) {
        const std::size_t segments = bytes[at + 26];
        if (at + 27 + segments > bytes.size()) return;
        std::size_t length = 27 + segments;
        for (std::size_t i = 0; i < segments; ++i) length += bytes[at + 27 + i];
        if (at + length > bytes.size()) return;
        std::memset(&bytes[at + 22], 0, 4);
        const std::uint32_t crc = bass::oggChecksum(&bytes[at], length);
        for (int i = 0; i < 4; ++i) bytes[at + 22 + std::size_t(i)] = std::uint8_t(crc >> (8 * i));
        at += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    fitChecksums(bytes);
    const std::string path = vorn::fuzz::writeScratch("sound.ogg", bytes.data(), bytes.size());
    int error = 0;
    (void)bass::decodeFile(path, 44100, &error);
    std::unique_ptr<bass::Source> stream = bass::streamSource(path, 44100, &error);
    if (!stream) return 0;
    std::vector<float> out(2 * 4096);
    for (int pass = 0; pass < 2; ++pass) {
        // A bounded read: a looping stream has no end.
        for (int i = 0; i < 64 && stream->read(out.data(), 4096) == 4096; ++i) {
        }
        stream->rewind();
    }
    return 0;
}
