#include "core/Value.h"

#include <cerrno>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace vorn {

constinit Value Value::null;

namespace {

thread_local bool strictNumbers = false;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

[[noreturn]] void incorrectType() {
    throw std::runtime_error("incorrect type");
}

// The strto* family with the exceptions of std::stoi and its siblings:
// nothing parsed throws std::invalid_argument(name), ERANGE throws
// std::out_of_range(name). Trailing text is ignored, except under
// StrictNumbers.
template <typename Result, typename Parse>
Result parseNumber(const std::string& text, Parse parse, const char* name) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const int saved = errno;
    errno = 0;
    const Result result = parse(begin, &end);
    const int error = errno;
    errno = saved;
    if (end == begin) throw std::invalid_argument(name);
    if (error == ERANGE) throw std::out_of_range(name);
    if (strictNumbers) {
        // The text may hold a NUL of its own: everything up to its size counts.
        const char* last = begin + text.size();
        while (end < last && isBlank(*end)) ++end;
        if (end != last) throw std::invalid_argument(name);
    }
    return result;
}

float parseFloat(const std::string& text) {
    return parseNumber<float>(text, [](const char* s, char** e) { return std::strtof(s, e); }, "stof");
}

double parseDouble(const std::string& text) {
    return parseNumber<double>(text, [](const char* s, char** e) { return std::strtod(s, e); }, "stod");
}

long long parseLongLong(const std::string& text, const char* name) {
    return parseNumber<long long>(text, [](const char* s, char** e) { return std::strtoll(s, e, 10); }, name);
}

std::int32_t parseInt32(const std::string& text, const char* name) {
    const long long value = parseLongLong(text, name);
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        throw std::out_of_range(name);
    }
    return static_cast<std::int32_t>(value);
}

// True for a leading T, t, Y or y, else when the number the text begins
// with is not zero (so "0.5" is false). Overflowing numbers count as
// non-zero rather than being undefined as they are for atol.
bool textToBool(const std::string& text) {
    if (!text.empty()) {
        const char c = text[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return true;
    }
    return std::strtoll(text.c_str(), nullptr, 10) != 0;
}

// Converting a double outside an integer's range is undefined in C++, so
// saturate instead; NaN gives 0.
template <typename Int>
Int truncateSaturating(double value) {
    if (std::isnan(value)) return 0;
    // Both limits as doubles: min is a power of two and exact; max + 1 too.
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double highExclusive = -low;
    if (value <= low) return std::numeric_limits<Int>::min();
    if (value >= highExclusive) return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}

// Rounds to the nearest float, giving infinity past the float range
// (a plain cast would be undefined there).
float toFloat(double value) {
    // FLT_MAX plus half its unit in the last place: from here on IEEE
    // rounding gives infinity.
    constexpr double overflow = static_cast<double>(FLT_MAX) + 0x1p103;
    if (value >= overflow) return std::numeric_limits<float>::infinity();
    if (value <= -overflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::string formatDouble(double value) {
    char small[64];
    const int n = std::snprintf(small, sizeof small, "%f", value);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%f", value);
    big.resize(static_cast<size_t>(n));
    return big;
}

std::string formatLongLong(long long value) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%lld", value);
    return std::string(text, n < 0 ? 0 : static_cast<size_t>(n));
}

template <typename T>
constexpr bool isString = std::is_same_v<T, std::string>;
template <typename T>
constexpr bool isArray = std::is_same_v<T, Value::Array>;
template <typename T>
constexpr bool isDict = std::is_same_v<T, Value::Dict>;
template <typename T>
constexpr bool isScalar = std::is_same_v<T, bool> || std::is_same_v<T, double> || std::is_same_v<T, long long>;

} // namespace

template <typename T>
void ConcreteValueHolder<T>::copyFrom(const ValueHolder& other) {
    const auto& source = static_cast<const ConcreteValueHolder<T>&>(other);
    if (&source != this) value_ = source.value_;
}

template <typename T>
std::string ConcreteValueHolder<T>::toString() const {
    if constexpr (isString<T>) {
        return value_;
    } else if constexpr (std::is_same_v<T, bool>) {
        return value_ ? "1" : "0";
    } else if constexpr (std::is_same_v<T, double>) {
        return formatDouble(value_);
    } else if constexpr (std::is_same_v<T, long long>) {
        return formatLongLong(value_);
    } else if constexpr (isArray<T>) {
        std::string text = "[";
        for (size_t i = 0; i < value_.size(); ++i) {
            if (i > 0) text += ", ";
            text += value_[i].toString();
        }
        return text + "]";
    } else {
        std::string text = "{";
        bool first = true;
        for (const auto& [key, entry] : value_) {
            if (!first) text += ", ";
            first = false;
            text += key;
            text += ':';
            text += entry.toString();
        }
        return text + "}";
    }
}

template <typename T>
float ConcreteValueHolder<T>::asFloat() const {
    if constexpr (isString<T>) return parseFloat(value_);
    else if constexpr (std::is_same_v<T, double>) return toFloat(value_);
    else if constexpr (isScalar<T>) return static_cast<float>(value_);
    else incorrectType();
}

template <typename T>
double ConcreteValueHolder<T>::asDouble() const {
    if constexpr (isString<T>) return parseDouble(value_);
    else if constexpr (isScalar<T>) return static_cast<double>(value_);
    else incorrectType();
}

template <typename T>
std::int32_t ConcreteValueHolder<T>::asInt() const {
    if constexpr (isString<T>) return parseInt32(value_, "stoi");
    else if constexpr (std::is_same_v<T, double>) return truncateSaturating<std::int32_t>(value_);
    else if constexpr (isScalar<T>) return static_cast<std::int32_t>(value_); // low 32 bits
    else incorrectType();
}

template <typename T>
std::int32_t ConcreteValueHolder<T>::asLong() const {
    if constexpr (isString<T>) return parseInt32(value_, "stol");
    else if constexpr (std::is_same_v<T, double>) return truncateSaturating<std::int32_t>(value_);
    else if constexpr (isScalar<T>) return static_cast<std::int32_t>(value_);
    else incorrectType();
}

template <typename T>
long long ConcreteValueHolder<T>::asLongLong() const {
    if constexpr (isString<T>) return parseLongLong(value_, "stoll");
    else if constexpr (std::is_same_v<T, double>) return truncateSaturating<long long>(value_);
    else if constexpr (isScalar<T>) return static_cast<long long>(value_);
    else incorrectType();
}

template <typename T>
bool ConcreteValueHolder<T>::asBool() const {
    if constexpr (isString<T>) return textToBool(value_);
    else if constexpr (std::is_same_v<T, double>) return value_ != 0.0; // NaN is true
    else if constexpr (isScalar<T>) return value_ != 0;
    else incorrectType();
}

template <typename T>
unsigned ConcreteValueHolder<T>::size() const {
    if constexpr (isArray<T>) return static_cast<unsigned>(value_.size());
    else incorrectType();
}

template <typename T>
void ConcreteValueHolder<T>::push_back([[maybe_unused]] const Value& v) {
    if constexpr (isArray<T>) {
        // Copy first: v may be this very array or one of its elements, which
        // growing the vector would move away.
        Value copy(v);
        value_.push_back(std::move(copy));
    } else {
        incorrectType();
    }
}

template <typename T>
Value& ConcreteValueHolder<T>::at([[maybe_unused]] unsigned index) {
    if constexpr (isArray<T>) {
        if (index >= value_.size()) throw std::out_of_range("vorn::Value::at");
        return value_[index];
    } else {
        incorrectType();
    }
}

template <typename T>
std::vector<std::string> ConcreteValueHolder<T>::keys() const {
    if constexpr (isDict<T>) {
        std::vector<std::string> result;
        result.reserve(value_.size());
        for (const auto& entry : value_) result.push_back(entry.first);
        return result;
    } else {
        incorrectType();
    }
}

template <typename T>
Value& ConcreteValueHolder<T>::get([[maybe_unused]] const std::string& key) {
    if constexpr (isDict<T>) {
        const auto found = value_.find(key);
        return found == value_.end() ? Value::null : found->second;
    } else {
        incorrectType();
    }
}

template <typename T>
Value& ConcreteValueHolder<T>::set([[maybe_unused]] const Value& value, [[maybe_unused]] const std::string& key) {
    if constexpr (isDict<T>) {
        // value may be this dictionary or one of its entries.
        Value copy(value);
        Value& entry = value_[key];
        entry = std::move(copy);
        return entry;
    } else {
        incorrectType();
    }
}

template <typename T>
void ConcreteValueHolder<T>::erase([[maybe_unused]] const std::string& key) {
    if constexpr (isDict<T>) value_.erase(key);
    else incorrectType();
}

template class ConcreteValueHolder<std::string>;
template class ConcreteValueHolder<Value::Dict>;
template class ConcreteValueHolder<Value::Array>;
template class ConcreteValueHolder<bool>;
template class ConcreteValueHolder<double>;
template class ConcreteValueHolder<long long>;

std::unique_ptr<ValueHolder> Value::makeHolder(Type type) {
    switch (type) {
    case STRING: return std::make_unique<ConcreteValueHolder<std::string>>();
    case REAL: return std::make_unique<ConcreteValueHolder<double>>();
    case INTEGER: return std::make_unique<ConcreteValueHolder<long long>>();
    case BOOL: return std::make_unique<ConcreteValueHolder<bool>>();
    case ARRAY: return std::make_unique<ConcreteValueHolder<Array>>();
    case DICT: return std::make_unique<ConcreteValueHolder<Dict>>();
    case NIL:
    case DATE:
    case DATA: break;
    }
    return nullptr;
}

namespace {

bool isKnownType(Value::Type type) {
    return type >= Value::NIL && type <= Value::DICT;
}

} // namespace

Value::StrictNumbers::StrictNumbers() : previous_(strictNumbers) { strictNumbers = true; }

Value::StrictNumbers::~StrictNumbers() { strictNumbers = previous_; }

Value::Value(Type type) : type_(isKnownType(type) ? type : NIL), holder_(makeHolder(type_)) {}

Value::Value(const Value& other) : type_(other.type_), holder_(makeHolder(other.type_)) {
    if (holder_) holder_->copyFrom(*other.holder_);
}

Value::Value(Value&& other) noexcept {
    // A NIL source is left untouched, so moving from the shared NIL never
    // writes to it (other threads may be reading it).
    if (other.type_ == NIL) return;
    type_ = std::exchange(other.type_, NIL);
    holder_ = std::move(other.holder_);
}

Value::Value(double v) : type_(REAL), holder_(std::make_unique<ConcreteValueHolder<double>>(v)) {}
Value::Value(float v) : Value(static_cast<double>(v)) {}
Value::Value(int v) : Value(static_cast<long long>(v)) {}
Value::Value(long v) : Value(static_cast<long long>(v)) {}
Value::Value(long long v) : type_(INTEGER), holder_(std::make_unique<ConcreteValueHolder<long long>>(v)) {}
Value::Value(unsigned int v) : Value(static_cast<long long>(v)) {}
Value::Value(unsigned long v) : Value(static_cast<unsigned long long>(v)) {}
Value::Value(unsigned long long v) : Value(static_cast<long long>(v)) {}
Value::Value(bool v) : type_(BOOL), holder_(std::make_unique<ConcreteValueHolder<bool>>(v)) {}
Value::Value(const char* v) : Value(std::string(v ? v : "")) {}
Value::Value(const std::string& v) : type_(STRING), holder_(std::make_unique<ConcreteValueHolder<std::string>>(v)) {}
Value::Value(const Array& v) : type_(ARRAY), holder_(std::make_unique<ConcreteValueHolder<Array>>(v)) {}
Value::Value(const Dict& v) : type_(DICT), holder_(std::make_unique<ConcreteValueHolder<Dict>>(v)) {}

Value::~Value() = default;

Value& Value::operator=(const Value& other) {
    if (this == &null || this == &other) return *this;
    // Build the copy before the old holder goes: other may live inside it.
    std::unique_ptr<ValueHolder> holder = makeHolder(other.type_);
    if (holder) holder->copyFrom(*other.holder_);
    type_ = other.type_;
    holder_ = std::move(holder);
    return *this;
}

Value& Value::operator=(Value&& other) noexcept {
    if (this == &null || this == &other) return *this;
    // Take other's holder before the old holder goes: other may live inside it.
    std::unique_ptr<ValueHolder> holder;
    Type type = NIL;
    if (other.type_ != NIL) {
        type = std::exchange(other.type_, NIL);
        holder = std::move(other.holder_);
    }
    type_ = type;
    holder_ = std::move(holder);
    return *this;
}

float Value::asFloat() const { return holder_ ? holder_->asFloat() : 0.0f; }
double Value::asDouble() const { return holder_ ? holder_->asDouble() : 0.0; }
std::int32_t Value::asInt() const { return holder_ ? holder_->asInt() : 0; }
std::int32_t Value::asLong() const { return holder_ ? holder_->asLong() : 0; }
long long Value::asLongLong() const { return holder_ ? holder_->asLongLong() : 0; }
bool Value::asBool() const { return holder_ ? holder_->asBool() : false; }
std::string Value::toString() const { return holder_ ? holder_->toString() : std::string(); }

unsigned Value::size() const {
    if (type_ == NIL) return 0;
    if (!holder_) incorrectType();
    return holder_->size();
}

Value& Value::at(unsigned index) {
    if (type_ == NIL) return null;
    if (!holder_) incorrectType();
    return holder_->at(index);
}

const Value& Value::at(unsigned index) const {
    return const_cast<Value*>(this)->at(index);
}

std::vector<std::string> Value::keys() const {
    if (type_ == NIL) return {};
    if (!holder_) incorrectType();
    return holder_->keys();
}

Value& Value::get(const std::string& key) {
    if (type_ == NIL) return null;
    if (!holder_) incorrectType();
    return holder_->get(key);
}

const Value& Value::get(const std::string& key) const {
    return const_cast<Value*>(this)->get(key);
}

Value& Value::set(const Value& value, const std::string& key) {
    if (type_ == NIL) return null;
    if (!holder_) incorrectType();
    return holder_->set(value, key);
}

void Value::erase(const std::string& key) {
    if (type_ == NIL) return;
    if (!holder_) incorrectType();
    holder_->erase(key);
}

void Value::push_back(const Value& v) {
    if (type_ == NIL) return;
    if (!holder_) incorrectType();
    holder_->push_back(v);
}

bool Value::operator==(const Value& other) const {
    if (type_ != other.type_) return false;
    switch (type_) {
    case NIL: return true;
    case BOOL: return asBool() == other.asBool();
    case INTEGER: return asLongLong() == other.asLongLong();
    case REAL: return asDouble() == other.asDouble();
    case STRING:
        return static_cast<const ConcreteValueHolder<std::string>&>(*holder_).value() ==
               static_cast<const ConcreteValueHolder<std::string>&>(*other.holder_).value();
    case DATE:
    case DATA:
    case ARRAY:
    case DICT: break;
    }
    return false;
}

} // namespace vorn
