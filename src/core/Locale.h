#pragma once

#include <map>
#include <string>

namespace vorn {

// One language's texts and font substitutions, read from
// "data/locales/<name>/texts.strings" and "fonts.plist".
class Locale {
public:
    // Loads both files of the locale; missing files leave their table empty.
    explicit Locale(const std::string& name);

    const std::string& name() const { return name_; }

    // The text of key; key itself when the locale has none. Copies: a
    // caller may pass a temporary key and keep the answer.
    std::string text(const std::string& key) const;
    // The text of key; fallback when the locale has none.
    std::string text(const std::string& key, const std::string& fallback) const;
    // The font file to load in place of name; name itself when none.
    std::string font(const std::string& name) const;

    void setText(const std::string& key, const std::string& text);
    void setFont(const std::string& name, const std::string& replacement);

    // Reads entries of the form "key" = "text"; found anywhere in the file.
    // White space, line ends included, may surround the "="; keys and texts
    // are taken exactly as written and cannot hold a double quote. Anything
    // that is not such an entry (comments, an entry without its ";", an
    // empty key or text) is passed over. A later entry replaces an earlier
    // one with the same key.
    void loadStrings(const std::string& path);
    // The same from text already in memory.
    void parseStrings(const std::string& text);
    void loadFonts(const std::string& path);

    const std::map<std::string, std::string>& texts() const { return texts_; }
    const std::map<std::string, std::string>& fonts() const { return fonts_; }

private:
    std::string name_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::string> fonts_;
};

} // namespace vorn
