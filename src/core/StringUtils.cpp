#include "core/StringUtils.h"

#include "core/Data.h"

namespace vorn {

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
