#include "platform/ogg_check.h"

#include <array>
#include <vector>

namespace bass {

namespace {

// The values of every codebook of a setup header together (entries times
// dimensions): the decoder keeps several words for each. The game's files
// have up to 16 per byte of their setup header.
std::uint64_t maxBookValues(std::size_t setupBytes) { return 32768 + 16 * static_cast<std::uint64_t>(setupBytes); }

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    return table;
}

// Vorbis packs its headers least significant bit first.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), bits_(8 * static_cast<std::uint64_t>(size)) {}

    // False once a read would pass the end.
    bool read(int count, std::uint64_t& value) {
        if (static_cast<std::uint64_t>(count) > bits_ - position_) return false;
        value = 0;
        for (int i = 0; i < count; ++i, ++position_) {
            const std::uint64_t bit = (data_[position_ >> 3] >> (position_ & 7)) & 1u;
            value |= bit << i;
        }
        return true;
    }
    bool skip(std::uint64_t count) {
        if (count > bits_ - position_) return false;
        position_ += count;
        return true;
    }
    std::uint64_t left() const { return bits_ - position_; }

private:
    const std::uint8_t* data_;
    std::uint64_t bits_;
    std::uint64_t position_ = 0;
};

int ilog(std::uint64_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

// The decoder's count of lookup values for a type 1 map: the largest v with
// v to the power dim at most entries.
std::uint64_t maptype1Values(std::uint64_t entries, std::uint64_t dim) {
    std::uint64_t low = 0, high = entries;
    while (low < high) {
        const std::uint64_t mid = low + (high - low + 1) / 2;
        std::uint64_t power = 1;
        bool over = false;
        for (std::uint64_t i = 0; i < dim && !over; ++i) {
            power *= mid;
            over = power > entries;
        }
        if (over) {
            high = mid - 1;
        } else {
            low = mid;
        }
    }
    return low;
}

bool startsHeader(const std::vector<std::uint8_t>& packet, std::uint8_t type) {
    static const char kVorbis[] = "vorbis";
    if (packet.size() < 7 || packet[0] != type) return false;
    for (int i = 0; i < 6; ++i) {
        if (packet[static_cast<std::size_t>(1 + i)] != static_cast<std::uint8_t>(kVorbis[i])) return false;
    }
    return true;
}

std::string checkIdentification(const std::vector<std::uint8_t>& p, VorbisHeader* header) {
    if (!startsHeader(p, 1) || p.size() < 30) return "no Vorbis identification header";
    if (le32(&p[7]) != 0) return "an unknown Vorbis version";
    const int channels = p[11];
    const std::uint32_t rate = le32(&p[12]);
    const int small = p[28] & 0x0F;
    const int large = p[28] >> 4;
    if (channels < 1) return "no channels";
    if (rate < static_cast<std::uint32_t>(kMinRate) || rate > static_cast<std::uint32_t>(kMaxRate)) {
        return "a sample rate of " + std::to_string(rate);
    }
    if (small < 6 || large > 13 || small > large) return "block sizes out of range";
    if ((p[29] & 1) == 0) return "a damaged identification header";
    header->channels = channels;
    header->rate = static_cast<int>(rate);
    return {};
}

std::string checkComment(const std::vector<std::uint8_t>& p) {
    if (!startsHeader(p, 3)) return "no Vorbis comment header";
    std::size_t at = 7;
    auto length = [&](std::uint32_t& out) {
        if (p.size() - at < 4) return false;
        out = le32(&p[at]);
        at += 4;
        return true;
    };
    std::uint32_t vendor = 0;
    if (!length(vendor) || vendor > p.size() - at) return "a comment header longer than its packet";
    at += vendor;
    std::uint32_t count = 0;
    if (!length(count) || count > (p.size() - at) / 4) return "more comments than the comment header holds";
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t bytes = 0;
        if (!length(bytes) || bytes > p.size() - at) return "a comment longer than the comment header";
        at += bytes;
    }
    if (at >= p.size() || (p[at] & 1) == 0) return "a damaged comment header";
    return {};
}

std::string checkSetup(const std::vector<std::uint8_t>& p) {
    if (!startsHeader(p, 5)) return "no Vorbis setup header";
    BitReader bits(p.data() + 7, p.size() - 7);
    const std::string cut = "a setup header cut short";
    std::uint64_t books = 0;
    if (!bits.read(8, books)) return cut;
    std::uint64_t values = 0;
    for (std::uint64_t b = 0; b <= books; ++b) {
        std::uint64_t sync = 0, dim = 0, entries = 0, ordered = 0;
        if (!bits.read(24, sync) || !bits.read(16, dim) || !bits.read(24, entries) || !bits.read(1, ordered)) return cut;
        if (sync != 0x564342) return "a damaged codebook";
        // Both the decoder's tables and its lookup values grow with these.
        values += entries * (dim == 0 ? 1 : dim);
        if (values > maxBookValues(p.size())) return "codebooks larger than the file can hold";
        // The code lengths must make a whole prefix code (each length L
        // takes 2^-L of it), except for a book of a single entry: the
        // decoder refuses others, and retried later it would decode with
        // the refused book left empty.
        std::uint64_t used = 0, share = 0;
        if (!ordered) {
            std::uint64_t sparse = 0;
            if (!bits.read(1, sparse)) return cut;
            for (std::uint64_t i = 0; i < entries; ++i) {
                std::uint64_t present = 1, length = 0;
                if ((sparse && !bits.read(1, present)) || (present && !bits.read(5, length))) return cut;
                if (present) {
                    ++used;
                    share += std::uint64_t(1) << (31 - length);
                }
            }
        } else {
            std::uint64_t length = 0;
            if (!bits.read(5, length)) return cut;
            ++length;
            for (std::uint64_t i = 0; i < entries; ++length) {
                std::uint64_t run = 0;
                if (length > 32 || !bits.read(ilog(entries - i), run) || run > entries - i) return "a damaged codebook";
                i += run;
                used += run;
                share += run << (32 - length);
            }
        }
        if (used > 1 && share != (std::uint64_t(1) << 32)) return "a codebook that is no prefix code";
        std::uint64_t mapType = 0;
        if (!bits.read(4, mapType)) return cut;
        if (mapType == 0) continue;
        if (mapType > 2) return "a damaged codebook";
        std::uint64_t skipped = 0, quantBits = 0;
        if (!bits.read(32, skipped) || !bits.read(32, skipped) || !bits.read(4, quantBits) || !bits.read(1, skipped)) {
            return cut;
        }
        const std::uint64_t lookups = mapType == 1 ? maptype1Values(entries, dim) : entries * dim;
        if (!bits.skip(lookups * (quantBits + 1))) return cut;
    }
    return {};
}

} // namespace

std::uint32_t oggChecksum(const std::uint8_t* bytes, std::size_t size) {
    const auto& table = crcTable();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ bytes[i]) & 0xFF];
    return crc;
}

std::string checkOggVorbis(const std::uint8_t* bytes, std::size_t size, VorbisHeader* header) {
    std::vector<std::vector<std::uint8_t>> packets(1);
    std::uint32_t serial = 0;
    bool ended = false;
    std::vector<std::uint8_t> page;
    for (std::size_t at = 0; at < size;) {
        if (size - at < 27 || bytes[at] != 'O' || bytes[at + 1] != 'g' || bytes[at + 2] != 'g' || bytes[at + 3] != 'S') {
            return at == 0 ? "not an Ogg file" : "bytes that are no Ogg page";
        }
        const std::uint8_t* head = bytes + at;
        const std::uint8_t flags = head[5];
        const std::size_t segments = head[26];
        if (head[4] != 0 || size - at < 27 + segments) return "a damaged Ogg page";
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i) body += head[27 + i];
        const std::size_t length = 27 + segments + body;
        if (size - at < length) return "a page cut short";
        page.assign(head, head + length);
        page[22] = page[23] = page[24] = page[25] = 0;
        if (oggChecksum(page.data(), page.size()) != le32(head + 22)) return "a page whose checksum is wrong";
        const bool first = at == 0;
        if (first != ((flags & 0x02) != 0)) return first ? "no stream start" : "more than one stream";
        if (first) serial = le32(head + 14);
        if (le32(head + 14) != serial || ended) return "more than one stream";
        ended = (flags & 0x04) != 0;
        // The three headers, gathered from the packets' segments.
        const std::uint8_t* data = head + 27 + segments;
        for (std::size_t i = 0; i < segments && packets.size() <= 3; ++i) {
            packets.back().insert(packets.back().end(), data, data + head[27 + i]);
            data += head[27 + i];
            if (head[27 + i] < 255) packets.emplace_back();
        }
        at += length;
    }
    if (packets.size() < 4) return "its headers are cut short";
    std::string fault = checkIdentification(packets[0], header);
    if (fault.empty()) fault = checkComment(packets[1]);
    if (fault.empty()) fault = checkSetup(packets[2]);
    return fault;
}

} // namespace bass
