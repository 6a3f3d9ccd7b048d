#include "widgets/BoundValue.h"

#include "core/Log.h"

#include <cstdlib>
#include <exception>
#include <limits>
#include <stdexcept>

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
    return read<float>(value, widget, source, "number", [](const Value& v) {
        if (v.type() != Value::STRING) return v.asFloat();
        // Text beyond a float's range still says which end it lies at: it
        // reads as that infinity (or as 0 next to zero), as a real number
        // beyond the range does, so a widget can clamp it.
        double d = 0.0;
        try {
            d = v.asDouble();
        } catch (const std::out_of_range&) {
            d = std::strtod(v.toString().c_str(), nullptr);
        }
        if (d > static_cast<double>(std::numeric_limits<float>::max())) return std::numeric_limits<float>::infinity();
        if (d < -static_cast<double>(std::numeric_limits<float>::max())) return -std::numeric_limits<float>::infinity();
        return static_cast<float>(d);
    });
}

std::optional<bool> boundBool(const Value& value, const char* widget, const std::string& source) {
    return read<bool>(value, widget, source, "flag", [](const Value& v) { return v.asBool(); });
}

std::optional<long long> boundInteger(const Value& value, const char* widget, const std::string& source) {
    return read<long long>(value, widget, source, "whole number", [](const Value& v) { return v.asLongLong(); });
}

} // namespace vorn
