#include "core/Data.h"
#include "core/StringUtils.h"
#include "core/Value.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>
#include "support/LogCapture.h"

using vorn::test::captureLog;

namespace {

using vorn::Value;

vorn::Data dataOf(const std::string& text) {
    return vorn::Data(text.data(), static_cast<std::uint32_t>(text.size()));
}

Value parse(const std::string& text) {
    return Value::fromPlistData(dataOf(text));
}

// Structural equality: Value's own == treats containers as never equal.
bool sameTree(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case Value::ARRAY:
        if (a.size() != b.size()) return false;
        for (unsigned i = 0; i < a.size(); ++i) {
            if (!sameTree(a.at(i), b.at(i))) return false;
        }
        return true;
    case Value::DICT:
        if (a.keys() != b.keys()) return false;
        for (const auto& key : a.keys()) {
            if (!sameTree(a.get(key), b.get(key))) return false;
        }
        return true;
    case Value::REAL: return a.toString() == b.toString();
    default: return a == b;
    }
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

} // namespace

TEST(Plist, EveryValueTypeSurvivesARoundTrip) {
    Value profile(Value::DICT);
    const std::vector<std::string> strings = {
        "",  "Tom", "<Tom & Jerry>", "&lt;", "a]]>b", "  padded  ", "   ", "\n", "\t",
        "line\r\nbreak\r", "ünïcødé 麻将", "\x7f\xc2\x85 allowed controls", "\"quoted\" 'single'", "&#13;", "tab\tin",
    };
    Value names(Value::ARRAY);
    for (const auto& s : strings) names.push_back(s);
    profile.set(names, "names");
    Value numbers(Value::ARRAY);
    for (long long n : {0LL, -1LL, 2147483648LL, -4294967301LL, std::numeric_limits<long long>::max(),
                        std::numeric_limits<long long>::min()}) {
        numbers.push_back(n);
    }
    profile.set(numbers, "integers");
    Value reals(Value::ARRAY);
    for (double d : {0.5, -3.25, 1e6, 0.0, 123456.125}) reals.push_back(d);
    profile.set(reals, "reals");
    profile.set(true, "yes");
    profile.set(false, "no");
    profile.set(Value(Value::ARRAY), "empty array");
    profile.set(Value(Value::DICT), "empty dict");
    profile.set("value under the empty key", "");
    profile.set("odd key", "<&> key\r");
    Value nested(Value::DICT);
    Value levels(Value::ARRAY);
    Value level(Value::DICT);
    level.set(3, "stars");
    levels.push_back(level);
    levels.push_back(Value(Value::ARRAY));
    nested.set(levels, "levels");
    profile.set(nested, "progress");

    const Value back = parse(Value::toPlistDocument(profile));
    EXPECT_TRUE(sameTree(profile, back)) << Value::toPlist(back);
    EXPECT_EQ(back.get("names").at(3).toString(), "&lt;");
    EXPECT_EQ(back.get("integers").at(4).asLongLong(), std::numeric_limits<long long>::max());
}

TEST(Plist, WrittenFileLayout) {
    Value v(Value::DICT);
    Value list(Value::ARRAY);
    list.push_back("x");
    list.push_back(Value(Value::DICT));
    v.set(list, "b"); // inserted first, written second: keys go in byte order
    v.set(1, "a");
    v.set(Value(), "c");
    v.set(0.1234567, "d");
    v.set(true, "e");
    v.set(Value(Value::DATE), "f");
    v.set(-7, "B");
    const std::string expected = kHead +
                                 "<dict>\n"
                                 "  <key>B</key>\n"
                                 "  <integer>-7</integer>\n"
                                 "  <key>a</key>\n"
                                 "  <integer>1</integer>\n"
                                 "  <key>b</key>\n"
                                 "  <array>\n"
                                 "    <string>x</string>\n"
                                 "    <dict>\n"
                                 "    </dict>\n"
                                 "  </array>\n"
                                 "  <key>c</key>\n"
                                 "  <key>d</key>\n"
                                 "  <real>0.123457</real>\n"
                                 "  <key>e</key>\n"
                                 "  <true/>\n"
                                 "  <key>f</key>\n"
                                 "  <date/>\n"
                                 "</dict>\n"
                                 "</plist>";
    EXPECT_EQ(Value::toPlistDocument(v), expected);
    EXPECT_EQ(Value::writePlist(Value("x"), "    "), "    <string>x</string>\n");
    EXPECT_EQ(Value::toPlist(Value()), "");
    EXPECT_EQ(Value::toPlist(Value(false)), "<false/>\n");
    EXPECT_EQ(Value::toPlist(Value(Value::DATA)), "<data/>\n");

    // The NIL entry, the date and the lost digits do not come back.
    const Value back = parse(expected);
    EXPECT_EQ(back.keys(), (std::vector<std::string>{"B", "a", "b", "d", "e", "f"}));
    EXPECT_TRUE(back.get("f").isNil());
    EXPECT_EQ(back.get("d").asDouble(), 0.123457);
    EXPECT_EQ(Value::toPlist(parse(kHead + Value::toPlist(Value(1e-7)) + "</plist>")), "<real>0.000000</real>\n");
}

TEST(Plist, MarkupInKeysAndStringsIsEscaped) {
    Value v(Value::DICT);
    v.set("Tom & <Jerry>", "a<b");
    EXPECT_EQ(Value::toPlist(v), "<dict>\n"
                                 "  <key>a&lt;b</key>\n"
                                 "  <string>Tom &amp; &lt;Jerry&gt;</string>\n"
                                 "</dict>\n");
    EXPECT_EQ(Value::toPlist(Value("&lt;")), "<string>&amp;lt;</string>\n");
    EXPECT_EQ(Value::toPlist(Value("a\rb")), "<string>a&#13;b</string>\n");
    EXPECT_EQ(Value::toPlist(Value("  ")), "<string>&#32; </string>\n");
    // NUL cannot be carried by XML; it is left out rather than breaking the file.
    const Value withNul(std::string("a\0b", 3));
    EXPECT_EQ(Value::toPlist(withNul), "<string>ab</string>\n");
    EXPECT_EQ(parse(kHead + Value::toPlist(withNul) + "</plist>").toString(), "ab");
}

// What XML cannot carry never reaches the file: an ill-formed UTF-8 piece
// is written as U+FFFD, and a character XML forbids is left out, in keys and
// strings alike. The file then reads back without a word.
TEST(Plist, TextXmlCannotCarryIsMendedWhenWritten) {
    const std::string bad = "\xEF\xBF\xBD";
    struct Case {
        std::string given;
        std::string written;
    };
    const std::vector<Case> cases = {
        {"J\xFCrgen", "J" + bad + "rgen"},                   // Latin-1
        {"cut \xE9\xBA", "cut " + bad},                     // a character cut short: one piece
        {"\xC0\xAF", bad + bad},                              // overlong
        {"\xED\xA0\x80", bad + bad + bad},                   // a surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad},          // past U+10FFFF
        {"a\x01" "b\x08" "c\x0b\x0c\x1f", "abc"},          // forbidden controls
        {"\xEF\xBF\xBEnon\xEF\xBF\xBF", "non"},              // U+FFFE and U+FFFF
        {std::string("a\0b", 3), "ab"},
        {"ok \xE9\xBA\xBB\xE5\xB0\x86 \xF0\x9F\x80\x84", "ok \xE9\xBA\xBB\xE5\xB0\x86 \xF0\x9F\x80\x84"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        Value v(Value::DICT);
        v.set(c.given, c.given);
        const std::string document = Value::toPlistDocument(v);
        EXPECT_TRUE(vorn::isValidUtf8(document));
        EXPECT_NE(document.find("<key>" + c.written + "</key>"), std::string::npos) << document;
        EXPECT_NE(document.find("<string>" + c.written + "</string>"), std::string::npos) << document;
        std::vector<std::string> problems;
        Value back;
        captureLog([&] { back = Value::fromPlistData(dataOf(document), &problems); });
        EXPECT_TRUE(problems.empty()) << problems.front();
        EXPECT_EQ(back.get(c.written).toString(), c.written);
    }
}

// Text that is not well-formed in a file read is a damaged value: it is
// mended as the writer would mend it, and reported.
TEST(Plist, DamagedTextIsMendedAndReported) {
    const std::string bad = "\xEF\xBF\xBD";
    const std::string document = kHead + "<dict>\n<key>na\xFFme</key>\n<string>J\xFCrgen\x01</string>\n"
                                         "<key>ok</key>\n<string>fine</string>\n</dict>\n</plist>";
    std::vector<std::string> problems;
    Value v;
    const std::string log = captureLog([&] { v = Value::fromPlistData(dataOf(document), &problems); });
    EXPECT_EQ(v.get("na" + bad + "me").toString(), "J" + bad + "rgen");
    EXPECT_EQ(v.get("ok").toString(), "fine");
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("plist data line 5: <key> is not well-formed text"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("line 6: <string> is not well-formed text"), std::string::npos) << problems[1];
    EXPECT_NE(problems[1].find("read as \"J" + bad + "rgen\""), std::string::npos) << problems[1];
    EXPECT_NE(log.find(problems[1]), std::string::npos);
    EXPECT_TRUE(vorn::isValidUtf8(log));
}

// A list cut short or damaged keeps what is whole before the fault; open
// containers near the top keep their whole members.
TEST(Plist, APrefixKeepsWhatIsWholeBeforeTheFault) {
    struct Case {
        const char* name;
        std::string document;
        unsigned keepOpen;
        std::string expected; // toString of the result
    };
    const std::vector<Case> cases = {
        {"whole", "<p><dict><key>a</key><integer>1</integer></dict></p>", 0, "{a:1}"},
        {"cut in a value", "<p><dict><key>a</key><integer>1</integer><key>b</key><integer>2", 0, "{a:1}"},
        {"cut in a key", "<p><dict><key>a</key><integer>1</integer><key>b", 0, "{a:1}"},
        {"key without value", "<p><dict><key>a</key><integer>1</integer><key>b</key>", 0, "{a:1}"},
        {"open list too deep", "<p><dict><key>a</key><integer>1</integer><key>l</key><array><true/>", 0, "{a:1}"},
        {"open list kept", "<p><dict><key>a</key><integer>1</integer><key>l</key><array><true/><false", 1,
         "{a:1, l:[1]}"},
        {"mismatched tag", "<p><array><string>x</string><string>y</array><string>z</string></array></p>", 0, "[x]"},
        {"closed but unreadable", "<p><array><string>x</string><string a=b>y</string><string>z</string>", 0, "[x]"},
        {"comment and doctype", kHead + "<!-- a > b --><array><string>x</string><string>y", 0, "[x]"},
        {"nothing whole", "<p><dict><key>a", 0, "{}"},
        {"no top value", "<?xml version=\"1.0\"?><plist", 0, ""},
        {"not xml", "\x89PNG garbage", 0, ""},
    };
    for (const Case& c : cases) {
        Value v;
        captureLog([&] { EXPECT_NO_THROW(v = Value::fromPlistPrefix(dataOf(c.document), c.keepOpen, nullptr)) << c.name; });
        EXPECT_EQ(v.toString(), c.expected) << c.name;
    }
}

TEST(Plist, ReaderStructure) {
    struct Case {
        const char* name;
        std::string document;
        std::string expected; // toString of the result
        Value::Type type;
    };
    const std::vector<Case> cases = {
        {"any root name", "<root><string>x</string></root>", "x", Value::STRING},
        {"second child ignored", "<plist><integer>1</integer><integer>2</integer></plist>", "1", Value::INTEGER},
        {"key replaced by key", "<p><dict><key>a</key><key>b</key><string>x</string></dict></p>", "{b:x}",
         Value::DICT},
        {"value before key", "<p><dict><string>x</string><key>a</key><integer>1</integer></dict></p>", "{a:1}",
         Value::DICT},
        {"duplicate key", "<p><dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict></p>",
         "{a:2}", Value::DICT},
        {"pending key dropped", "<p><dict><key>a</key><integer>1</integer><key>b</key></dict></p>", "{a:1}",
         Value::DICT},
        {"empty key", "<p><dict><key/><integer>1</integer></dict></p>", "{:1}", Value::DICT},
        {"comments and text passed over",
         "<p><dict>\n  <!-- c -->text<key>a</key>\n  <true/>\n</dict></p>", "{a:1}", Value::DICT},
        {"empty string", "<p><string/></p>", "", Value::STRING},
        {"entities decoded", "<p><string>&lt;&amp;&gt;&#65;</string></p>", "<&>A", Value::STRING},
        {"cdata", "<p><string><![CDATA[a<b]]></string></p>", "a<b", Value::STRING},
        {"whitespace kept", "<p><string> a </string></p>", " a ", Value::STRING},
        {"date", "<p><date>2020-01-01T00:00:00Z</date></p>", "", Value::NIL},
        {"data", "<p><data>AAAA</data></p>", "", Value::NIL},
        {"array of odd things", "<p><array><date/><foo/><integer>3</integer><data/></array></p>", "[, , 3, ]",
         Value::ARRAY},
        {"64-bit integer", "<p><integer>-9223372036854775808</integer></p>", "-9223372036854775808",
         Value::INTEGER},
        {"integer above 32 bits", "<p><integer>4294967301</integer></p>", "4294967301", Value::INTEGER},
        {"padded integer", "<p><integer> 42\n</integer></p>", "42", Value::INTEGER},
        {"real", "<p><real>-2.5e2</real></p>", "-250.000000", Value::REAL},
        {"names are case sensitive", "<p><String>x</String></p>", "", Value::NIL},
    };
    for (const auto& c : cases) {
        Value v;
        captureLog([&] { v = parse(c.document); });
        EXPECT_EQ(v.type(), c.type) << c.name;
        EXPECT_EQ(v.toString(), c.expected) << c.name;
    }
}

TEST(Plist, MalformedInputGivesNilOrADefaultAndALogLine) {
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<array>";
    for (int i = 0; i < 300; ++i) deep += "</array>";
    struct Case {
        const char* name;
        std::string document;
        std::string expected; // toString of the result
        Value::Type type;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"not xml", "not xml at all", "", Value::NIL, "Can't open or parse: plist data ["},
        {"unclosed", "<plist><dict><key>a</key>", "", Value::NIL, "Can't open or parse: plist data ["},
        {"mismatched", "<plist><dict></array></plist>", "", Value::NIL, "Can't open or parse"},
        {"no root", "<?xml version=\"1.0\"?>", "", Value::NIL, "no root element"},
        {"no value", "<plist version=\"1.0\"> </plist>", "", Value::NIL, "no value element"},
        {"embedded nul", std::string("<p><string>a\0b</string></p>", 26), "", Value::NIL, "Can't open or parse"},
        {"too deep", "<plist>" + deep + "</plist>", "", Value::NIL, "Can't open or parse"},
        {"unknown element", "<p><color>red</color></p>", "", Value::NIL, "unknown element <color>"},
        {"non-numeric integer", "<p><integer>many</integer></p>", "0", Value::INTEGER, "is not a number"},
        {"huge integer", "<p><integer>99999999999999999999</integer></p>", "9223372036854775807",
         Value::INTEGER, "out of range"},
        {"negative huge integer", "<p><integer>-99999999999999999999</integer></p>", "-9223372036854775808",
         Value::INTEGER, "out of range"},
        {"integer with trailing text", "<p><integer>12abc</integer></p>", "12", Value::INTEGER, "trailing text"},
        {"empty integer", "<p><integer/></p>", "0", Value::INTEGER, "empty <integer>"},
        {"non-numeric real", "<p><real>half</real></p>", "0.000000", Value::REAL, "is not a number"},
        {"empty real", "<p><real></real></p>", "0.000000", Value::REAL, "empty <real>"},
        {"value without key", "<p><dict><string>x</string></dict></p>", "{}", Value::DICT, "without a key"},
    };
    for (const auto& c : cases) {
        Value v;
        const std::string log = captureLog([&] { EXPECT_NO_THROW(v = parse(c.document)) << c.name; });
        EXPECT_EQ(v.type(), c.type) << c.name;
        EXPECT_EQ(v.toString(), c.expected) << c.name;
        EXPECT_NE(log.find(c.log), std::string::npos) << c.name << ": " << log;
    }
    EXPECT_TRUE(Value::fromPlistData(vorn::Data()).isNil());
}

TEST(Plist, EveryTruncationOfAFileReadsWithoutThrowing) {
    Value v(Value::DICT);
    v.set("<Ann & Bob>", "name");
    v.set(123456789012LL, "gold");
    Value list(Value::ARRAY);
    list.push_back(1.5);
    list.push_back(false);
    v.set(list, "list");
    const std::string document = Value::toPlistDocument(v);
    for (size_t cut = 0; cut <= document.size(); ++cut) {
        captureLog([&] { EXPECT_NO_THROW(parse(document.substr(0, cut))) << cut; });
    }
    EXPECT_TRUE(sameTree(parse(document), v));
    for (size_t cut = 0; cut <= document.size(); ++cut) {
        captureLog([&] { EXPECT_NO_THROW(Value::fromPlistPrefix(dataOf(document.substr(0, cut)), 5, nullptr)) << cut; });
    }
}

TEST(Plist, FilesAreReadAndWrittenWhole) {
    vorn::test::TempDir dir;
    const std::string path = dir.file("users.xml");
    Value users(Value::DICT);
    users.set("Ann & <Bob>", "current");
    ASSERT_TRUE(Value::writePlistFile(users, path));
    EXPECT_EQ(vorn::test::readBytes(path), Value::toPlistDocument(users));
    EXPECT_TRUE(sameTree(Value::fromPlistFile(path), users));

    std::string log = captureLog([&] { EXPECT_TRUE(Value::fromPlistFile(dir.file("missing.plist")).isNil()); });
    EXPECT_NE(log.find("File not found: " + dir.file("missing.plist")), std::string::npos) << log;

    vorn::test::writeBytes(dir.file("broken.plist"), "<plist><dict>");
    log = captureLog([&] { EXPECT_TRUE(Value::fromPlistFile(dir.file("broken.plist")).isNil()); });
    EXPECT_NE(log.find("Can't open or parse: " + dir.file("broken.plist") + " ["), std::string::npos) << log;

    vorn::test::writeBytes(dir.file("odd.plist"), "<plist>\n<integer>x</integer></plist>");
    log = captureLog([&] { EXPECT_EQ(Value::fromPlistFile(dir.file("odd.plist")).asInt(), 0); });
    EXPECT_NE(log.find(dir.file("odd.plist") + " line 2: <integer> \"x\" is not a number"), std::string::npos)
        << log;

    vorn::test::writeBytes(dir.file("empty.plist"), "");
    log = captureLog([&] { EXPECT_TRUE(Value::fromPlistFile(dir.file("empty.plist")).isNil()); });
    EXPECT_NE(log.find("Can't open or parse: " + dir.file("empty.plist") + " [empty file]"), std::string::npos)
        << log;

    log = captureLog([&] { EXPECT_FALSE(Value::writePlistFile(users, dir.file("no/folder/users.xml"))); });
    EXPECT_NE(log.find("Can't write: "), std::string::npos) << log;
    EXPECT_EQ(vorn::test::readBytes(path), Value::toPlistDocument(users));
}
