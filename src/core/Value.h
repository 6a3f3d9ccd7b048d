#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Data;
class Value;

// The polymorphic store behind a Value, one concrete class per stored C++
// type. Every operation that does not fit the stored type throws
// std::runtime_error("incorrect type").
class ValueHolder {
public:
    // other is always of the same concrete class.
    virtual void copyFrom(const ValueHolder& other) = 0;
    virtual ~ValueHolder() = default;
    virtual std::string toString() const = 0;
    virtual float asFloat() const = 0;
    virtual double asDouble() const = 0;
    virtual std::int32_t asInt() const = 0;
    virtual std::int32_t asLong() const = 0;
    virtual long long asLongLong() const = 0;
    virtual bool asBool() const = 0;
    virtual unsigned size() const = 0;
    virtual void push_back(const Value& v) = 0;
    virtual Value& at(unsigned index) = 0;
    virtual std::vector<std::string> keys() const = 0;
    virtual Value& get(const std::string& key) = 0;
    virtual Value& set(const Value& value, const std::string& key) = 0;
    virtual void erase(const std::string& key) = 0;
};

// The engine's dynamic value: NIL, a scalar, or an array or dictionary of
// values. Copies are deep. Scalar conversions are lenient (text is parsed,
// numbers truncated); an operation that does not fit the stored kind throws
// std::runtime_error("incorrect type"). Failed look-ups return Value::null.
class Value {
public:
    enum Type : std::int32_t {
        NIL = 0,
        STRING = 1,
        REAL = 2,
        INTEGER = 3,
        BOOL = 4,
        DATE = 5, // carries no payload
        DATA = 6, // carries no payload
        ARRAY = 7,
        DICT = 8,
    };
    using Array = std::vector<Value>;
    // Keys in plain byte order.
    using Dict = std::map<std::string, Value>;

    // The one shared NIL handed out by failed look-ups. It cannot be changed:
    // assigning to it or mutating it through a returned reference does
    // nothing, so it stays NIL for every other caller.
    static Value null;

    // While one lives on a thread, text read as a number there must be
    // nothing but the number (blanks around it aside): "1,5" and "2px"
    // throw std::invalid_argument, as text with no number at all does.
    // Readers of files where such text is a mistake rather than a number
    // use it.
    class StrictNumbers {
    public:
        StrictNumbers();
        ~StrictNumbers();
        StrictNumbers(const StrictNumbers&) = delete;
        StrictNumbers& operator=(const StrictNumbers&) = delete;

    private:
        bool previous_;
    };

    constexpr Value() noexcept = default;
    Value(Type type);
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value(double v);
    Value(float v);
    Value(int v);
    Value(long v);
    Value(long long v);
    Value(unsigned int v);
    Value(unsigned long v);
    Value(unsigned long long v); // kept modulo 2^64
    Value(bool v);
    Value(const char* v); // null gives ""
    Value(const std::string& v);
    Value(const Array& v);
    Value(const Dict& v);
    ~Value();

    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;

    // A default holder for the type; null for NIL, DATE and DATA.
    static std::unique_ptr<ValueHolder> makeHolder(Type type);

    Type type() const { return type_; }
    bool isNil() const { return type_ == NIL; }
    // DATE and DATA count as set.
    bool isSet() const { return type_ != NIL; }

    // Without a holder (NIL, DATE, DATA) these give 0, 0.0, false or "".
    // STRING parses like std::stof/stod/stoi/stol/stoll and lets their
    // std::invalid_argument and std::out_of_range through; asInt and asLong
    // both parse into 32 bits. REAL to integer truncates toward zero and
    // saturates at the target's limits (NaN gives 0).
    float asFloat() const;
    double asDouble() const;
    std::int32_t asInt() const;
    std::int32_t asLong() const;
    long long asLongLong() const;
    bool asBool() const;
    std::string toString() const;

    // Container operations. On NIL: size 0, no keys, look-ups give
    // Value::null, set/push_back/erase do nothing. On a type that does not
    // fit they throw "incorrect type". at() past the end throws
    // std::out_of_range.
    unsigned size() const;
    Value& at(unsigned index);
    const Value& at(unsigned index) const;
    std::vector<std::string> keys() const;
    Value& get(const std::string& key);
    const Value& get(const std::string& key) const;
    // The value comes first, the key second; returns the stored entry.
    Value& set(const Value& value, const std::string& key);
    void erase(const std::string& key);
    void push_back(const Value& v);

    // Same type and same value; DATE, DATA, ARRAY and DICT are never equal.
    bool operator==(const Value& other) const;

    // Property lists (PLIST 1.0 vocabulary). Reading never throws: missing,
    // empty or malformed input gives NIL and a log line.
    static Value fromPlistFile(const std::string& path);
    static Value fromPlistData(const Data& data);
    // The same, and every warning about damage inside the value (a number
    // that is none, text that is not well-formed) is added to problems too.
    static Value fromPlistData(const Data& data, std::vector<std::string>* problems);
    // What a property list damaged or cut short still holds whole: its text
    // is read up to the first fault in the nesting of its tags, and every
    // element closed before it that reads on its own is kept as the
    // ordinary reader reads it. A container that does not read whole (cut
    // short, or damaged inside) keeps its members up to the first that does
    // not, when it is the top value or at most keepOpenDepth levels below
    // it; deeper ones, and scalars, are left out. NIL when nothing is whole.
    static Value fromPlistPrefix(const Data& data, unsigned keepOpenDepth, std::vector<std::string>* problems);
    static Value fromPlistElement(const tinyxml2::XMLElement* element);
    // Fill a container from an element's children; do nothing unless value
    // has the fitting type.
    static void readPlistDict(Value& value, const tinyxml2::XMLElement* element);
    static void readPlistArray(Value& value, const tinyxml2::XMLElement* element);
    // The value as plist text: two blanks of indentation per level, one line
    // feed after every line, "&", "<" and ">" escaped in keys and strings.
    static std::string toPlist(const Value& v);
    static std::string writePlist(const Value& v, const std::string& indent);
    // A whole plist file: XML declaration, DOCTYPE, <plist version="1.0">,
    // the value, and "</plist>" without a line end.
    static std::string toPlistDocument(const Value& v);
    // Writes toPlistDocument(v) to path, replacing the file atomically;
    // false (and a log line) when the file could not be written.
    [[nodiscard]] static bool writePlistFile(const Value& v, const std::string& path);

private:
    static void appendPlist(std::string& out, const Value& v, const std::string& indent);

    Type type_ = NIL;
    std::unique_ptr<ValueHolder> holder_;
};

template <typename T>
class ConcreteValueHolder final : public ValueHolder {
public:
    ConcreteValueHolder() = default;
    explicit ConcreteValueHolder(T value) : value_(std::move(value)) {}

    void copyFrom(const ValueHolder& other) override;
    std::string toString() const override;
    float asFloat() const override;
    double asDouble() const override;
    std::int32_t asInt() const override;
    std::int32_t asLong() const override;
    long long asLongLong() const override;
    bool asBool() const override;
    unsigned size() const override;
    void push_back(const Value& v) override;
    Value& at(unsigned index) override;
    std::vector<std::string> keys() const override;
    Value& get(const std::string& key) override;
    Value& set(const Value& value, const std::string& key) override;
    void erase(const std::string& key) override;

    T& value() { return value_; }
    const T& value() const { return value_; }

private:
    T value_{};
};

extern template class ConcreteValueHolder<std::string>;
extern template class ConcreteValueHolder<Value::Dict>;
extern template class ConcreteValueHolder<Value::Array>;
extern template class ConcreteValueHolder<bool>;
extern template class ConcreteValueHolder<double>;
extern template class ConcreteValueHolder<long long>;

} // namespace vorn
