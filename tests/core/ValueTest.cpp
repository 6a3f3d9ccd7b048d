#include "core/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vorn::Value;

// What an operation gave, as text: its result, or the kind and text of
// what it threw. "null" marks a reference to the shared NIL itself.
std::string outcome(const std::function<std::string()>& operation) {
    try {
        return operation();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument:") + e.what();
    } catch (const std::out_of_range& e) {
        return std::string("out_of_range:") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error:") + e.what();
    }
}

std::string text(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

std::string text(float v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v));
    return buffer;
}

std::string refText(const Value& v) {
    return &v == &Value::null ? "null" : v.toString();
}

Value makeArray() {
    Value v(Value::ARRAY);
    v.push_back(1);
    v.push_back("a");
    return v;
}

Value makeDict() {
    Value v(Value::DICT);
    v.set(1, "k");
    return v;
}

const std::string kType = "runtime_error:incorrect type";

} // namespace

// One row per stored type, one column per operation: every cell is either
// the result or the error the value gives.
TEST(Value, TypeByOperationTable) {
    using Op = std::function<std::string(Value&)>;
    const std::vector<std::pair<std::string, Op>> operations = {
        {"asFloat", [](Value& v) { return text(v.asFloat()); }},
        {"asDouble", [](Value& v) { return text(v.asDouble()); }},
        {"asInt", [](Value& v) { return std::to_string(v.asInt()); }},
        {"asLong", [](Value& v) { return std::to_string(v.asLong()); }},
        {"asLongLong", [](Value& v) { return std::to_string(v.asLongLong()); }},
        {"asBool", [](Value& v) { return std::string(v.asBool() ? "true" : "false"); }},
        {"toString", [](Value& v) { return v.toString(); }},
        {"size", [](Value& v) { return std::to_string(v.size()); }},
        {"keys", [](Value& v) { return std::to_string(v.keys().size()); }},
        {"at(0)", [](Value& v) { return refText(v.at(0)); }},
        {"get(k)", [](Value& v) { return refText(v.get("k")); }},
        {"set(2,k)",
         [](Value& v) {
             const std::string stored = refText(v.set(2, "k"));
             return stored + " " + v.toString();
         }},
        {"erase(k)", [](Value& v) { v.erase("k"); return v.toString(); }},
        {"push_back(x)", [](Value& v) { v.push_back("x"); return v.toString(); }},
    };
    struct Row {
        std::string name;
        std::function<Value()> make;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"NIL", [] { return Value(); },
         {"0", "0", "0", "0", "0", "false", "", "0", "0", "null", "null", "null ", "", ""}},
        {"STRING 12abc", [] { return Value("12abc"); },
         {"12", "12", "12", "12", "12", "true", "12abc", kType, kType, kType, kType, kType, kType, kType}},
        {"REAL -2.7", [] { return Value(-2.7); },
         {"-2.70000005", "-2.7000000000000002", "-2", "-2", "-2", "true", "-2.700000", kType, kType, kType, kType,
          kType, kType, kType}},
        {"INTEGER 2^32+5", [] { return Value(4294967301LL); },
         {"4.2949673e+09", "4294967301", "5", "5", "4294967301", "true", "4294967301", kType, kType, kType, kType,
          kType, kType, kType}},
        {"BOOL true", [] { return Value(true); },
         {"1", "1", "1", "1", "1", "true", "1", kType, kType, kType, kType, kType, kType, kType}},
        {"DATE", [] { return Value(Value::DATE); },
         {"0", "0", "0", "0", "0", "false", "", kType, kType, kType, kType, kType, kType, kType}},
        {"DATA", [] { return Value(Value::DATA); },
         {"0", "0", "0", "0", "0", "false", "", kType, kType, kType, kType, kType, kType, kType}},
        {"ARRAY [1, a]", makeArray,
         {kType, kType, kType, kType, kType, kType, "[1, a]", "2", kType, "1", kType, kType, kType, "[1, a, x]"}},
        {"DICT {k:1}", makeDict,
         {kType, kType, kType, kType, kType, kType, "{k:1}", kType, "1", kType, "1", "2 {k:2}", "{}", kType}},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(row.expected.size(), operations.size()) << row.name;
        for (size_t i = 0; i < operations.size(); ++i) {
            Value v = row.make();
            EXPECT_EQ(outcome([&] { return operations[i].second(v); }), row.expected[i])
                << row.name << " " << operations[i].first;
        }
    }
    EXPECT_TRUE(Value::null.isNil());
}

TEST(Value, TextParsesLikeTheStandardConversions) {
    struct Case {
        std::string text;
        std::function<std::string(const Value&)> convert;
        std::string expected;
    };
    auto asInt = [](const Value& v) { return std::to_string(v.asInt()); };
    auto asLong = [](const Value& v) { return std::to_string(v.asLong()); };
    auto asLongLong = [](const Value& v) { return std::to_string(v.asLongLong()); };
    auto asFloat = [](const Value& v) { return text(v.asFloat()); };
    auto asDouble = [](const Value& v) { return text(v.asDouble()); };
    const std::vector<Case> cases = {
        {"12abc", asInt, "12"},
        {"  -7 ", asInt, "-7"},
        {"+3", asLong, "3"},
        {"abc", asInt, "invalid_argument:stoi"},
        {"", asLong, "invalid_argument:stol"},
        {"x1", asLongLong, "invalid_argument:stoll"},
        {"2147483647", asInt, "2147483647"},
        {"2147483648", asInt, "out_of_range:stoi"},
        {"-2147483649", asLong, "out_of_range:stol"},
        {"2147483648", asLongLong, "2147483648"},
        {"99999999999999999999", asLongLong, "out_of_range:stoll"},
        {"0x10", asDouble, "16"},
        {"1e3xyz", asDouble, "1000"},
        {"nan", asFloat, "nan"},
        {"1e999", asDouble, "out_of_range:stod"},
        {"1e39", asFloat, "out_of_range:stof"},
        {"pi", asFloat, "invalid_argument:stof"},
        {".", asDouble, "invalid_argument:stod"},
    };
    for (const auto& c : cases) {
        const Value v(c.text);
        EXPECT_EQ(outcome([&] { return c.convert(v); }), c.expected) << "'" << c.text << "'";
    }
}

TEST(Value, TextToBool) {
    for (const char* yes : {"True", "yes", "Yes", "t", "Y", "-1", "2", " 5", "99999999999999999999"}) {
        EXPECT_TRUE(Value(yes).asBool()) << yes;
    }
    for (const char* no : {"", "false", "no", "0", "0.5", "0.9", "on", " ", "-0"}) {
        EXPECT_FALSE(Value(no).asBool()) << no;
    }
}

TEST(Value, RealToIntegerTruncatesAndSaturates) {
    constexpr auto i32max = std::numeric_limits<std::int32_t>::max();
    constexpr auto i32min = std::numeric_limits<std::int32_t>::min();
    constexpr auto i64max = std::numeric_limits<long long>::max();
    constexpr auto i64min = std::numeric_limits<long long>::min();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double real;
        std::int32_t asInt;
        long long asLongLong;
    };
    const std::vector<Case> cases = {
        {2.7, 2, 2},
        {-2.7, -2, -2},
        {2147483647.9, i32max, 2147483647},
        {2147483648.0, i32max, 2147483648LL},
        {-2147483648.9, i32min, -2147483648LL},
        {-2147483649.0, i32min, -2147483649LL},
        {9.3e18, i32max, i64max},
        {-9.3e18, i32min, i64min},
        {1e300, i32max, i64max},
        {-inf, i32min, i64min},
        {nan, 0, 0},
    };
    for (const auto& c : cases) {
        const Value v(c.real);
        EXPECT_EQ(v.asInt(), c.asInt) << c.real;
        EXPECT_EQ(v.asLong(), c.asInt) << c.real;
        EXPECT_EQ(v.asLongLong(), c.asLongLong) << c.real;
    }
    EXPECT_EQ(Value(1e300).asFloat(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Value(-1e300).asFloat(), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(Value(nan).asFloat()));
    EXPECT_TRUE(Value(nan).asBool());
    EXPECT_EQ(Value(0.5).toString(), "0.500000");
    EXPECT_EQ(Value(1e20).toString(), "100000000000000000000.000000");
}

TEST(Value, ConstructionKeepsTheNumberAndPicksTheType) {
    EXPECT_EQ(Value(-1).type(), Value::INTEGER);
    EXPECT_EQ(Value(-1).asLongLong(), -1);
    EXPECT_EQ(Value(4294967295u).asLongLong(), 4294967295LL);
    EXPECT_EQ(Value(-5L).asLongLong(), -5);
    EXPECT_EQ(Value(0.1f).type(), Value::REAL);
    EXPECT_EQ(Value(0.1f).asDouble(), static_cast<double>(0.1f));
    EXPECT_EQ(Value(static_cast<const char*>(nullptr)).type(), Value::STRING);
    EXPECT_EQ(Value(static_cast<const char*>(nullptr)).toString(), "");
    EXPECT_EQ(Value(std::string("a\0b", 3)).toString().size(), 3u);
    EXPECT_EQ(Value(false).type(), Value::BOOL);

    const std::vector<std::pair<Value::Type, std::string>> defaults = {
        {Value::NIL, ""}, {Value::STRING, ""}, {Value::REAL, "0.000000"}, {Value::INTEGER, "0"},
        {Value::BOOL, "0"}, {Value::DATE, ""}, {Value::DATA, ""}, {Value::ARRAY, "[]"}, {Value::DICT, "{}"},
    };
    for (const auto& [type, string] : defaults) {
        const Value v(type);
        EXPECT_EQ(v.type(), type);
        EXPECT_EQ(v.toString(), string) << type;
        EXPECT_EQ(v.isSet(), type != Value::NIL);
    }
    EXPECT_EQ(Value(static_cast<Value::Type>(42)).type(), Value::NIL);
}

TEST(Value, Equality) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Value array = makeArray();
    struct Case {
        Value a, b;
        bool equal;
    };
    const std::vector<Case> cases = {
        {Value(), Value(), true},
        {Value(5), Value(5.0), false},
        {Value(5), Value(5LL), true},
        {Value(4294967301LL), Value(5), false},
        {Value(true), Value(true), true},
        {Value(true), Value(1), false},
        {Value(0.5), Value(0.5), true},
        {Value(nan), Value(nan), false},
        {Value("ab"), Value("ab"), true},
        {Value(std::string("a\0b", 3)), Value(std::string("a\0c", 3)), false},
        {Value("a"), Value(std::string("a\0", 2)), false},
        {Value(Value::DATE), Value(Value::DATE), false},
        {Value(Value::DATA), Value(Value::DATA), false},
        {makeArray(), makeArray(), false},
        {Value(Value::DICT), Value(Value::DICT), false},
        {Value(), Value(""), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.a.toString() << " vs " << c.b.toString();
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
    EXPECT_FALSE(array == array);
}

TEST(Value, CopiesAreDeepAndIndependent) {
    Value source(Value::DICT);
    Value list(Value::ARRAY);
    list.push_back("x");
    source.set(list, "list");
    source.set("name", "who");

    Value copy(source);
    copy.get("list").push_back("y");
    copy.get("list").at(0) = "changed";
    copy.set("other", "who");
    EXPECT_EQ(source.toString(), "{list:[x], who:name}");
    EXPECT_EQ(copy.toString(), "{list:[changed, y], who:other}");

    Value assigned("text");
    assigned = source;
    EXPECT_EQ(assigned.type(), Value::DICT);
    assigned.get("list").push_back("z");
    EXPECT_EQ(source.toString(), "{list:[x], who:name}");
}

TEST(Value, AssigningAnArrayToAStringValue) {
    Value target("text");
    Value array = makeArray();
    target = array;
    EXPECT_EQ(target.type(), Value::ARRAY);
    target.at(0) = 99;
    target.push_back(true);
    EXPECT_EQ(array.toString(), "[1, a]");
    EXPECT_EQ(target.toString(), "[99, a, 1]");
    EXPECT_THROW(target.at(3), std::out_of_range);
}

TEST(Value, SharedNilCannotBeChangedThroughFailedLookups) {
    Value dict = makeDict();
    Value& absent = dict.get("absent");
    ASSERT_EQ(&absent, &Value::null);
    absent = Value("boom");
    absent = makeDict();
    absent.set(1, "k");
    absent.push_back(1);
    absent.erase("k");
    absent.get("x") = 5;
    absent.at(3) = 5;
    Value::null = std::move(dict);
    EXPECT_EQ(dict.toString(), "{k:1}") << "a move into the shared NIL takes nothing";
    Value taken(std::move(Value::null));
    Value other;
    other = std::move(Value::null);

    EXPECT_TRUE(Value::null.isNil());
    EXPECT_EQ(Value::null.toString(), "");
    EXPECT_TRUE(Value().get("anything").isNil());
    EXPECT_TRUE(Value(Value::DICT).get("anything").isNil());
    Value nil;
    EXPECT_EQ(&nil.set(1, "k"), &Value::null);
    EXPECT_TRUE(nil.isNil());
}

TEST(Value, SelfAndOwnElementAssignment) {
    Value v = makeArray();
    Value& alias = v;
    v = alias;
    EXPECT_EQ(v.toString(), "[1, a]");
    v = std::move(alias);
    EXPECT_EQ(v.toString(), "[1, a]");

    Value nested(Value::ARRAY);
    nested.push_back(makeArray());
    nested.push_back(3);
    nested = nested.at(0); // the source lives inside the holder being replaced
    EXPECT_EQ(nested.toString(), "[1, a]");

    Value moved(Value::ARRAY);
    moved.push_back(makeDict());
    moved = std::move(moved.at(0));
    EXPECT_EQ(moved.toString(), "{k:1}");

    Value outer = makeArray();
    outer.at(0) = outer; // an element becomes a copy of its container
    EXPECT_EQ(outer.toString(), "[[1, a], a]");

    Value dict = makeDict();
    dict.set(dict, "self");
    dict.set(dict.get("k"), "copy");
    EXPECT_EQ(dict.toString(), "{copy:1, k:1, self:{k:1}}");
    dict.set(dict.get("self"), "self");
    EXPECT_EQ(dict.toString(), "{copy:1, k:1, self:{k:1}}");

    Value list(Value::ARRAY);
    for (int i = 0; i < 4; ++i) list.push_back(list.size() == 0 ? Value(i) : list.at(0));
    list.push_back(list);
    EXPECT_EQ(list.toString(), "[0, 0, 0, 0, [0, 0, 0, 0]]");
}
