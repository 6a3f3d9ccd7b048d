#include "core/Locale.h"

#include "core/Log.h"
#include "core/StringUtils.h"
#include "core/Value.h"

namespace vorn {

namespace {

// The white space that may surround the "=": blank, tab, line feed,
// vertical tab, form feed, carriage return.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Tries to read one entry starting at the quote at start. On success stores
// key and text and returns the offset just past the ";"; otherwise npos.
size_t matchEntry(const std::string& s, size_t start, std::string& key, std::string& text) {
    const size_t n = s.size();
    size_t i = start + 1;
    const size_t keyEnd = s.find('"', i);
    if (keyEnd == std::string::npos || keyEnd == i) return std::string::npos;
    key.assign(s, i, keyEnd - i);
    i = keyEnd + 1;
    while (i < n && isSpace(s[i])) ++i;
    if (i >= n || s[i] != '=') return std::string::npos;
    ++i;
    while (i < n && isSpace(s[i])) ++i;
    if (i >= n || s[i] != '"') return std::string::npos;
    ++i;
    const size_t textEnd = s.find('"', i);
    if (textEnd == std::string::npos || textEnd == i) return std::string::npos;
    text.assign(s, i, textEnd - i);
    i = textEnd + 1;
    if (i >= n || s[i] != ';') return std::string::npos;
    return i + 1;
}

} // namespace

Locale::Locale(const std::string& name) : name_(name) {
    loadStrings("data/locales/" + name + "/texts.strings");
    loadFonts("data/locales/" + name + "/fonts.plist");
}

std::string Locale::text(const std::string& key) const {
    const auto it = texts_.find(key);
    return it == texts_.end() ? key : it->second;
}

std::string Locale::text(const std::string& key, const std::string& fallback) const {
    const auto it = texts_.find(key);
    return it == texts_.end() ? fallback : it->second;
}

std::string Locale::font(const std::string& name) const {
    const auto it = fonts_.find(name);
    return it == fonts_.end() ? name : it->second;
}

void Locale::setText(const std::string& key, const std::string& text) { texts_[key] = text; }

void Locale::setFont(const std::string& name, const std::string& replacement) { fonts_[name] = replacement; }

void Locale::loadStrings(const std::string& path) { parseStrings(readTextFile(path)); }

void Locale::parseStrings(const std::string& s) {
    // Every entry starts with a quote. An attempt that fails moves on to the
    // next quote, which may lie inside the failed attempt: that quote may
    // open the real entry (as in "note" "key" = "text";). Each attempt stops
    // at the first character that cannot continue it, so the scan stays
    // close to linear even on files of megabytes.
    std::string key;
    std::string text;
    size_t quote = s.find('"');
    while (quote != std::string::npos) {
        const size_t end = matchEntry(s, quote, key, text);
        if (end != std::string::npos) {
            texts_[key] = text;
            quote = s.find('"', end);
        } else {
            quote = s.find('"', quote + 1);
        }
    }
}

void Locale::loadFonts(const std::string& path) {
    const Value root = Value::fromPlistFile(path);
    if (root.isNil()) return; // missing or unreadable: already logged
    if (root.type() != Value::DICT) {
        log("Locale %s: %s is not a dictionary; no font substitutions", name_.c_str(), path.c_str());
        return;
    }
    for (const std::string& key : root.keys()) {
        const Value& entry = root.get(key);
        if (entry.type() == Value::ARRAY || entry.type() == Value::DICT) {
            log("Locale %s: font %s maps to a %s, not a file name; skipped", name_.c_str(), key.c_str(),
                entry.type() == Value::ARRAY ? "list" : "dictionary");
            continue;
        }
        fonts_[key] = entry.toString();
    }
}

} // namespace vorn
