#include "widgets/BoundValue.h"

#include "core/Log.h"

#include <exception>

namespace vorn {

namespace {

template <typename T, typename Read>
std::optional<T> read(const Value& value, const char* widget, const std::string& source, const char* kind,
                      Read convert) {
    try {
        return convert(value);
    } catch (const std::exception& e) {
        log("%s: data source %s holds no %s (%s) [%s]", widget, source.c_str(), kind, value.toString().c_str(),
            e.what());
        return std::nullopt;
    }
}

} // namespace

std::optional<float> boundFloat(const Value& value, const char* widget, const std::string& source) {
    return read<float>(value, widget, source, "number", [](const Value& v) { return v.asFloat(); });
}

std::optional<bool> boundBool(const Value& value, const char* widget, const std::string& source) {
    return read<bool>(value, widget, source, "flag", [](const Value& v) { return v.asBool(); });
}

std::optional<long long> boundInteger(const Value& value, const char* widget, const std::string& source) {
    return read<long long>(value, widget, source, "whole number", [](const Value& v) { return v.asLongLong(); });
}

} // namespace vorn
