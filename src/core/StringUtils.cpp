#include "core/StringUtils.h"

#include "core/Data.h"

namespace vorn {

namespace {

struct Lead {
    std::size_t length; // bytes in the whole sequence; 0 for a byte that cannot start one
    unsigned char low;  // range of the second byte, which rules out overlongs,
    unsigned char high; // surrogates and values past U+10FFFF
};

Lead leadOf(unsigned char byte) {
    if (byte < 0x80) return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// How many bytes from text[at] fit the sequence its lead byte opens.
std::size_t fitting(const std::string& text, std::size_t at, const Lead& lead) {
    std::size_t taken = 1;
    while (taken < lead.length && at + taken < text.size()) {
        const auto next = static_cast<unsigned char>(text[at + taken]);
        const unsigned char low = taken == 1 ? lead.low : 0x80;
        const unsigned char high = taken == 1 ? lead.high : 0xBF;
        if (next < low || next > high) break;
        ++taken;
    }
    return taken;
}

} // namespace

std::size_t utf8Length(const std::string& text, std::size_t at) {
    if (at >= text.size()) return 0;
    const Lead lead = leadOf(static_cast<unsigned char>(text[at]));
    if (lead.length <= 1) return lead.length;
    return fitting(text, at, lead) == lead.length ? lead.length : 0;
}

std::size_t brokenUtf8Length(const std::string& text, std::size_t at) {
    if (at >= text.size()) return 0;
    const Lead lead = leadOf(static_cast<unsigned char>(text[at]));
    return lead.length <= 1 ? 1 : fitting(text, at, lead);
}

bool isValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Length(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string result;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result += separator;
        result += parts[i];
    }
    return result;
}

std::string readTextFile(const std::string& path, const std::string& fallback) {
    const Data data = Data::readFile(path);
    if (data.empty()) return fallback;
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

std::string readTextFile(const std::string& path) {
    return readTextFile(path, std::string());
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    if (separator.empty()) return {text};
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t found = text.find(separator); found != std::string::npos;
         found = text.find(separator, start)) {
        pieces.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<std::string> splitWords(const std::string& text) {
    return split(text, " ");
}

std::string trim(const std::string& text) {
    const char* space = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

std::string lastExtension(const std::string& path) {
    const auto pieces = split(path, ".");
    if (pieces.size() < 2) return std::string();
    return pieces.back();
}

std::string lastTwoExtensions(const std::string& path) {
    const auto pieces = split(path, ".");
    if (pieces.size() < 3) return std::string();
    return pieces[pieces.size() - 2] + "." + pieces.back();
}

} // namespace vorn
