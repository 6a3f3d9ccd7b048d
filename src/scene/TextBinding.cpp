#include "scene/Text.h"

#include "core/Log.h"

#include <cstdio>
#include <exception>

namespace vorn {

namespace {

// Seconds as minutes and seconds, with hours in front from one hour on.
// Negative times keep their sign in every field, as the division leaves it.
std::string timeText(const Value& value) {
    const long s = value.asLong();
    char buffer[64];
    if (s > 3599) {
        std::snprintf(buffer, sizeof buffer, "%.2ld:%.2ld:%.2ld", s / 3600, (s / 60) % 60, s % 60);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.2ld:%.2ld", (s / 60) % 60, s % 60);
    }
    return buffer;
}

bool isLowercase(char c) { return c >= 'a' && c <= 'z'; }

// Length of the placeholder "{{name}}" starting at at, name being one or
// more of a to z; 0 when none starts there.
std::size_t placeholderAt(const std::string& text, std::size_t at, std::string& name) {
    if (text.compare(at, 2, "{{") != 0) return 0;
    std::size_t end = at + 2;
    while (end < text.size() && isLowercase(text[end])) ++end;
    if (end == at + 2 || text.compare(end, 2, "}}") != 0) return 0;
    name.assign(text, at + 2, end - at - 2);
    return end + 2 - at;
}

} // namespace

std::string Text::expandTemplate(const Value& value) const {
    if (template_.empty()) return value.toString();
    // One pass from left to right: what a placeholder is replaced by is
    // never looked at again, so a value holding "{{text}}" shows as it is.
    std::string result;
    std::string name;
    std::size_t at = 0;
    while (at < template_.size()) {
        const std::size_t length = placeholderAt(template_, at, name);
        if (length == 0) {
            result += template_[at++];
            continue;
        }
        if (name == "text") result += value.toString();
        else if (name == "time") result += timeText(value);
        at += length;
    }
    return result;
}

void Text::setValue(const Value& value) {
    std::string text;
    try {
        text = expandTemplate(value);
    } catch (const std::exception& e) {
        log("Text %s: can't show the value of %s in \"%s\" [%s]; the text stays", getName().c_str(),
            getDataSourceName().c_str(), template_.c_str(), e.what());
        return;
    }
    setText(text);
}

void Text::onValueChanged(const Value& value) { setValue(value); }

} // namespace vorn
