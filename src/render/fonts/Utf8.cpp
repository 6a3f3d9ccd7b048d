#include "render/fonts/Utf8.h"

namespace vorn {

namespace {

constexpr char32_t replacement = 0xFFFD;

struct Lead {
    int length;        // bytes in the whole sequence; 0 for a byte that cannot start one
    unsigned char low; // range of the second byte, which rules out overlongs, surrogates
    unsigned char high; // and values past U+10FFFF
};

Lead leadOf(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

} // namespace

std::u32string decodeUtf8(const std::string& text) {
    std::u32string result;
    result.reserve(text.size());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            result += static_cast<char32_t>(byte);
            ++i;
            continue;
        }
        const Lead lead = leadOf(byte);
        if (lead.length == 0) {
            result += replacement;
            ++i;
            continue;
        }
        char32_t code = byte & (0xFF >> (lead.length + 1));
        int taken = 1;
        while (taken < lead.length && i + static_cast<std::size_t>(taken) < size) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(taken)]);
            const unsigned char low = taken == 1 ? lead.low : 0x80;
            const unsigned char high = taken == 1 ? lead.high : 0xBF;
            if (next < low || next > high) {
                break;
            }
            code = (code << 6) | (next & 0x3F);
            ++taken;
        }
        // A broken sequence is replaced as one piece, up to the byte that
        // broke it, which is then read afresh.
        result += taken == lead.length ? code : replacement;
        i += static_cast<std::size_t>(taken);
    }
    return result;
}

} // namespace vorn
