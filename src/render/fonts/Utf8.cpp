#include "render/fonts/Utf8.h"

#include "core/StringUtils.h"

namespace vorn {

namespace {
constexpr char32_t replacement = 0xFFFD;
} // namespace

std::u32string decodeUtf8(const std::string& text) {
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            // A broken sequence is replaced as one piece, up to the byte
            // that broke it, which is then read afresh.
            result += replacement;
            i += brokenUtf8Length(text, i);
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t code = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        result += code;
        i += length;
    }
    return result;
}

} // namespace vorn
