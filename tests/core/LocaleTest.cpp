// GCC 12 warns inside <regex> when building with the sanitizers: a known
// false "may be used uninitialized" in its std::function members.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "core/Locale.h"
#include "core/Localization.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>
#include <string>

using vorn::Locale;
using vorn::Localization;
using vorn::test::DataTree;
using vorn::test::LogCapture;
using vorn::test::plist;

namespace {

using Texts = std::map<std::string, std::string>;

Texts parse(const std::string& text) {
    Locale locale("no-such-locale");
    locale.parseStrings(text);
    return locale.texts();
}

// The entry and piece expressions that describe the format; the reader
// must find exactly what they find.
Texts parseWithRegex(const std::string& text) {
    static const std::regex entry(R"re("[^"]+"\s*=\s*"[^"]+";)re");
    static const std::regex piece(R"re("([^"]*)")re");
    Texts texts;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it) {
        const std::string match = it->str();
        std::vector<std::string> pieces;
        for (auto p = std::sregex_iterator(match.begin(), match.end(), piece); p != std::sregex_iterator(); ++p) {
            pieces.push_back(p->str().substr(1, p->str().size() - 2));
        }
        if (pieces.size() == 2) texts[pieces[0]] = pieces[1];
    }
    return texts;
}

} // namespace

TEST(LocaleStrings, ReadsEntriesTheWayTheFormatDescribesThem) {
    struct Case {
        const char* name;
        std::string text;
        Texts expected;
    };
    const Case cases[] = {
        {"plain", "\"a\" = \"A\";\n\"b\"=\"B\";", {{"a", "A"}, {"b", "B"}}},
        {"spread over lines", "\"title\"\n=\n\"Mahjong\";", {{"title", "Mahjong"}}},
        {"CRLF and tabs", "\"a\"\t=\r\n\t\"A\";\r\n", {{"a", "A"}}},
        {"text with a line break", "\"a\" = \"one\ntwo\";", {{"a", "one\ntwo"}}},
        {"missing semicolon skips only that entry", "\"a\" = \"A\"\n\"b\" = \"B\";", {{"b", "B"}}},
        {"space before semicolon", "\"a\" = \"A\" ;", {}},
        {"empty key", "\"\" = \"A\";\n\"b\" = \"B\";", {{"b", "B"}}},
        {"empty text", "\"a\" = \"\";\n\"b\" = \"B\";", {{"b", "B"}}},
        {"duplicate key: the later wins", "\"a\" = \"first\";\n\"a\" = \"second\";", {{"a", "second"}}},
        {"comments and noise between", "/* \"x\" */ junk \"a\" = \"A\"; // \"y\" = \n", {{"a", "A"}}},
        {"quote inside a failed attempt opens the entry", "\"note\" \"key\" = \"text\";", {{"key", "text"}}},
        {"backslash kept", "\"a\" = \"x\\ny\";", {{"a", "x\\ny"}}},
        {"UTF-8 kept", "\"a\" = \"\xc3\xa9t\xc3\xa9\";", {{"a", "\xc3\xa9t\xc3\xa9"}}},
        {"unterminated at the end", "\"a\" = \"A\";\n\"b\" = \"B", {{"a", "A"}}},
        {"empty file", "", {}},
        {"only quotes", "\"\"\"\"\"\"", {}},
        {"no equals", "\"a\" \"A\";", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.text), c.expected) << c.name;
        EXPECT_EQ(parseWithRegex(c.text), c.expected) << c.name << " (the expression itself)";
    }
}

TEST(LocaleStrings, AgreesWithTheExpressionOnRandomText) {
    // Short texts over the characters that matter to the format: where the
    // expression's stack use is harmless, both must find the same entries.
    std::mt19937 random(20240611);
    const std::string alphabet = "\"\"\"==;; \n\rab";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += alphabet[pick(random)];
        ASSERT_EQ(parse(text), parseWithRegex(text)) << "text: [" << text << "]";
    }
}

TEST(LocaleStrings, LargeFilesAreReadWhole) {
    // Long runs are what make an expression-based reader exhaust the stack.
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "\"key" + std::to_string(i) + "\" = \"text " + std::to_string(i) + "\";\n";
    }
    const std::string longText(4 * 1024 * 1024, 'x');
    text += "\"long\" = \"" + longText + "\";\n";
    text += "\"unterminated\" = \"" + longText; // runs to the end of the file

    const Texts texts = parse(text);
    EXPECT_EQ(texts.size(), 100001u);
    EXPECT_EQ(texts.at("key0"), "text 0");
    EXPECT_EQ(texts.at("key99999"), "text 99999");
    EXPECT_EQ(texts.at("long"), longText);
    EXPECT_EQ(texts.count("unterminated"), 0u);
}

TEST(Locale, LooksUpTextsAndFontsWithFallbacks) {
    DataTree tree;
    tree.write("data/locales/xx/texts.strings", "\"title\" = \"Mahjong\";\n");
    tree.write("data/locales/xx/fonts.plist",
               plist("<dict><key>ubuntu.bold.ttf</key><string>Other.ttf</string></dict>"));
    Locale locale("xx");

    EXPECT_EQ(locale.name(), "xx");
    EXPECT_EQ(locale.text("title"), "Mahjong");
    EXPECT_EQ(locale.text("missing"), "missing");
    EXPECT_EQ(locale.text("title", "fallback"), "Mahjong");
    EXPECT_EQ(locale.text("missing", "fallback"), "fallback");
    EXPECT_EQ(locale.font("ubuntu.bold.ttf"), "Other.ttf");
    EXPECT_EQ(locale.font("plain.ttf"), "plain.ttf");

    locale.setText("title", "Solitaire");
    locale.setFont("plain.ttf", "Sub.ttf");
    EXPECT_EQ(locale.text("title"), "Solitaire");
    EXPECT_EQ(locale.font("plain.ttf"), "Sub.ttf");
}

// A missing entry answers with the key itself; a caller that passed a
// temporary key (a text node's attribute) must still hold a valid text.
TEST(Locale, AnswersForAMissingEntryOutliveATemporaryKey) {
    DataTree tree;
    Locale locale("xx");
    const std::string key(64, 'k'); // too long for the string's own buffer
    const std::string& text = locale.text(std::string(key));
    const std::string& fallback = locale.text("missing", std::string(key) + "!");
    const std::string& font = locale.font(std::string(key) + ".ttf");
    EXPECT_EQ(text, key);
    EXPECT_EQ(fallback, key + "!");
    EXPECT_EQ(font, key + ".ttf");
}

TEST(Locale, FontListsThatAreNotFileNamesAreSkipped) {
    struct Case {
        const char* name;
        std::string fonts;
        std::map<std::string, std::string> expected;
        const char* logged;
    };
    const Case cases[] = {
        {"array root", plist("<array><string>a.ttf</string></array>"), {}, "is not a dictionary"},
        {"scalar root", plist("<string>a.ttf</string>"), {}, "is not a dictionary"},
        {"list entry",
         plist("<dict><key>a.ttf</key><array/><key>b.ttf</key><string>c.ttf</string></dict>"),
         {{"b.ttf", "c.ttf"}},
         "not a file name"},
        {"malformed", "<plist><dict>", {}, "Can't open or parse"},
        {"missing", "", {}, "File not found"},
    };
    for (const Case& c : cases) {
        DataTree tree;
        if (!c.fonts.empty()) tree.write("data/locales/xx/fonts.plist", c.fonts);
        LogCapture log;
        Locale locale("xx");
        EXPECT_EQ(locale.fonts(), c.expected) << c.name;
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.name << ": " << log.text();
    }
}

TEST(Localization, ChoosesTheLocaleName) {
    struct Case {
        const char* name;
        std::string locales;
        std::vector<std::string> preferred;
        std::string defaultText;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing at all", "", {}, "", "en_US"},
        {"default file wins", "en_US\nde_DE\n", {"de_DE"}, "fr_FR", "fr_FR"},
        {"line end in the default file", "en_US\n", {}, "de_DE\n", "de_DE"},
        {"CR LF and blanks in the default file", "", {}, "  de_DE \r\n", "de_DE"},
        {"blank default file", "de\n", {"de"}, " \r\n", "de"},
        {"preferred language available", "en_US\nde_DE\n", {"de_DE"}, "", "de_DE"},
        {"CR in the list", "en_US\r\nde_DE\r\n", {"de_DE"}, "", "de_DE"},
        {"language part before _", "en_US\nde\n", {"de_AT"}, "", "de"},
        {"first match wins", "fr\nde\n", {"it_IT", "de_DE", "fr_FR"}, "", "de"},
        {"nothing matches", "fr\n", {"it_IT"}, "", "en_US"},
        {"empty language never matches a blank line", "\n\n", {""}, "", "en_US"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Localization::chooseLocaleName(c.locales, c.preferred, c.defaultText), c.expected) << c.name;
    }
}

TEST(Localization, CurrentIsChosenOnceAndLogged) {
    DataTree tree;
    tree.write("data/locales/locales.txt", "en_US\r\nde_DE\r\n");
    tree.write("data/default_locale.txt", "de_DE\n");
    tree.write("data/locales/de_DE/texts.strings", "\"title\" = \"Mahjong-Solitaire\";\n");
    LogCapture log;
    Localization* holder = Localization::instance();
    const auto locale = holder->current();
    EXPECT_EQ(locale->name(), "de_DE");
    EXPECT_EQ(locale->text("title"), "Mahjong-Solitaire");
    EXPECT_EQ(holder->current(), locale);
    EXPECT_EQ(log.count("selected locale de_DE"), 1) << log.text();

    holder->setLocale(std::make_shared<Locale>("en_US"));
    EXPECT_EQ(holder->current()->name(), "en_US");
    EXPECT_EQ(holder->current()->text("title"), "title");
}

TEST(Localization, WithoutFilesTheLocaleIsEnglishAndKeysShowThemselves) {
    DataTree tree;
    LogCapture log;
    const auto locale = Localization::instance()->current();
    EXPECT_EQ(locale->name(), "en_US");
    EXPECT_EQ(locale->text("title"), "title");
    EXPECT_NE(log.text().find("selected locale en_US"), std::string::npos);
}

TEST(Localization, ShippedEnglishTextsAndFontSubstitution) {
    // Runs in the repository's own data tree.
    const auto locale = Localization::instance()->current();
    EXPECT_EQ(locale->name(), "en_US");
    EXPECT_EQ(locale->text("title"), "Mahjong");
    EXPECT_EQ(locale->font("ubuntu.bold.ttf"), "Comfortaa-Bold.ttf");
    EXPECT_TRUE(vorn::test::readBytes("data/fonts/" + locale->font("ubuntu.bold.ttf")).size() > 1000);
}
