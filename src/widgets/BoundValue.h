#pragma once

#include "core/Value.h"

#include <optional>
#include <string>

namespace vorn {

// A bound data source's value read as a number or a flag. One that reads
// as neither (text that is no number, a list, a dictionary) is logged with
// the widget's kind and the source's name, and gives nothing. A number
// beyond a float's range, as text or not, reads as that infinity.
std::optional<float> boundFloat(const Value& value, const char* widget, const std::string& source);
std::optional<bool> boundBool(const Value& value, const char* widget, const std::string& source);
std::optional<long long> boundInteger(const Value& value, const char* widget, const std::string& source);

} // namespace vorn
