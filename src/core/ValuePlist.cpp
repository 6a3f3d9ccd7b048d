// Property lists: reading through tinyxml2, writing with a plain text builder.
#include "core/Data.h"
#include "core/Log.h"
#include "core/StringUtils.h"
#include "core/Value.h"

#include <tinyxml2.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace vorn {

namespace {

constexpr const char* kDocumentHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                      "<plist version=\"1.0\">\n";
constexpr const char* kDocumentTail = "</plist>";

// The file being read, named in messages about its elements, and where
// those messages also go for a caller that wants to know of any damage.
thread_local const char* currentSource = nullptr;
thread_local std::vector<std::string>* currentProblems = nullptr;

class ProblemScope {
public:
    explicit ProblemScope(std::vector<std::string>* problems) : previous_(currentProblems) { currentProblems = problems; }
    ~ProblemScope() { currentProblems = previous_; }
    ProblemScope(const ProblemScope&) = delete;
    ProblemScope& operator=(const ProblemScope&) = delete;

private:
    std::vector<std::string>* previous_;
};

class SourceScope {
public:
    explicit SourceScope(const char* source) : previous_(currentSource) { currentSource = source; }
    ~SourceScope() { currentSource = previous_; }
    SourceScope(const SourceScope&) = delete;
    SourceScope& operator=(const SourceScope&) = delete;

private:
    const char* previous_;
};

void warn(const tinyxml2::XMLElement* element, const char* format, ...) __attribute__((format(printf, 2, 3)));

void warn(const tinyxml2::XMLElement* element, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    const std::string text = std::string(currentSource ? currentSource : "plist data") + " line " +
                             std::to_string(element->GetLineNum()) + ": " + message;
    log("%s", text.c_str());
    if (currentProblems) currentProblems->push_back(text);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Only trailing blanks may follow a number without comment.
bool onlyBlanks(const char* text) {
    while (*text && isBlank(*text)) ++text;
    return *text == '\0';
}

Value readInteger(const tinyxml2::XMLElement* element) {
    const char* text = element->GetText();
    if (text == nullptr) {
        warn(element, "empty <integer>, read as 0");
        return Value(0LL);
    }
    char* end = nullptr;
    const int saved = errno;
    errno = 0;
    // The full 64-bit range: the writer writes 64-bit values.
    const long long number = std::strtoll(text, &end, 10);
    const bool outOfRange = errno == ERANGE;
    errno = saved;
    if (end == text) {
        warn(element, "<integer> \"%s\" is not a number, read as 0", text);
    } else if (outOfRange) {
        warn(element, "<integer> \"%s\" is out of range, read as %lld", text, number);
    } else if (!onlyBlanks(end)) {
        warn(element, "<integer> \"%s\" has trailing text, read as %lld", text, number);
    }
    return Value(number);
}

Value readReal(const tinyxml2::XMLElement* element) {
    const char* text = element->GetText();
    if (text == nullptr) {
        warn(element, "empty <real>, read as 0");
        return Value(0.0);
    }
    char* end = nullptr;
    const int saved = errno;
    errno = 0;
    const double number = std::strtod(text, &end);
    // Underflow also reports ERANGE; only overflow deserves a word.
    const bool overflow = errno == ERANGE && std::isinf(number);
    errno = saved;
    if (end == text) {
        warn(element, "<real> \"%s\" is not a number, read as 0", text);
    } else if (overflow) {
        warn(element, "<real> \"%s\" is out of range", text);
    } else if (!onlyBlanks(end)) {
        warn(element, "<real> \"%s\" has trailing text, read as %f", text, number);
    }
    return Value(number);
}

// What XML 1.0 can carry: tab, line feed and carriage return of the
// control characters, and neither U+FFFE nor U+FFFF.
bool allowedInXml(const std::string& text, std::size_t at, std::size_t length) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (length == 1) return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
    return !(length == 3 && byte == 0xEF && static_cast<unsigned char>(text[at + 1]) == 0xBF &&
             static_cast<unsigned char>(text[at + 2]) >= 0xBE);
}

// The text as XML can carry it: every ill-formed UTF-8 piece becomes
// U+FFFD and every character XML does not allow (NUL among them) is left
// out. False when nothing had to change.
bool fitForXml(const std::string& text, std::string& out) {
    bool changed = false;
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            i += brokenUtf8Length(text, i);
            changed = true;
        } else if (!allowedInXml(text, i, n)) {
            i += n;
            changed = true;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return changed;
}

// The text of a <string> or <key> as read: a damaged one (ill-formed UTF-8,
// a character XML does not allow) is mended as fitForXml does and reported.
std::string readText(const tinyxml2::XMLElement* element) {
    const char* raw = element->GetText();
    const std::string text = raw ? raw : "";
    std::string fit;
    if (!fitForXml(text, fit)) return text;
    std::string shown = fit.substr(0, 80);
    while (!shown.empty() && !isValidUtf8(shown)) shown.pop_back();
    warn(element, "<%s> is not well-formed text (bad UTF-8 or a character XML does not allow), read as \"%s%s\"",
         element->Name(), shown.c_str(), shown.size() < fit.size() ? "..." : "");
    return fit;
}

// Text that reads back exactly as it was: markup characters become entities,
// a carriage return a character reference (XML would turn it into a line
// feed), and a text of nothing but blanks gets its first blank as a
// reference (the parser drops blank-only text). What XML cannot carry is
// mended first (fitForXml), so the file stays well-formed whatever the
// text held. Text without any of these is copied unchanged.
void appendEscaped(std::string& out, const std::string& raw) {
    std::string fit;
    const std::string& text = fitForXml(raw, fit) ? fit : raw;
    bool allBlank = !text.empty();
    for (char c : text) {
        if (!isBlank(c)) {
            allBlank = false;
            break;
        }
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 0 && allBlank) {
            out += "&#" + std::to_string(static_cast<int>(c)) + ";";
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c; break;
        }
    }
}

void appendLine(std::string& out, const std::string& indent, const char* open, const std::string& text,
                const char* close) {
    out += indent;
    out += open;
    out += text;
    out += close;
    out += '\n';
}

Value parseDocument(const Data& data, const char* source) {
    if (data.empty()) return Value();
    const SourceScope scope(source);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(reinterpret_cast<const char*>(data.data()), data.size()) != tinyxml2::XML_SUCCESS) {
        log("Can't open or parse: %s [%s]", source, document.ErrorStr());
        return Value();
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        log("Can't open or parse: %s [%s]", source, "no root element");
        return Value();
    }
    const tinyxml2::XMLElement* element = root->FirstChildElement();
    if (element == nullptr) {
        log("Can't open or parse: %s [%s]", source, "no value element");
        return Value();
    }
    return Value::fromPlistElement(element);
}

// The elements of an XML text up to its first fault, found by their tags
// alone: each with its name, where it begins and, once closed, where it
// ends. A fault is anything that breaks the nesting of tags or leaves one
// unfinished; what the tags hold is judged later, element by element.
struct Outline {
    struct Element {
        std::string name;
        std::size_t begin = 0;
        std::size_t end = std::string::npos; // past its closing tag; npos while open
        std::vector<std::size_t> children;
    };
    std::vector<Element> elements;
};

bool isNameEnd(char c) { return isBlank(c) || c == '/' || c == '>' || c == '<'; }

Outline outlineOf(const std::string& text) {
    Outline outline;
    std::vector<std::size_t> open;
    const auto add = [&](std::string name, std::size_t begin) {
        outline.elements.push_back(Outline::Element{std::move(name), begin, std::string::npos, {}});
        const std::size_t index = outline.elements.size() - 1;
        if (!open.empty()) outline.elements[open.back()].children.push_back(index);
        return index;
    };
    std::size_t pos = 0;
    while (true) {
        const std::size_t lt = text.find('<', pos);
        if (lt == std::string::npos) break;
        const auto skipTo = [&](const char* closing, std::size_t from) {
            const std::size_t at = text.find(closing, from);
            return at == std::string::npos ? at : at + std::strlen(closing);
        };
        if (text.compare(lt, 2, "<?") == 0) {
            pos = skipTo("?>", lt + 2);
        } else if (text.compare(lt, 4, "<!--") == 0) {
            pos = skipTo("-->", lt + 4);
        } else if (text.compare(lt, 9, "<![CDATA[") == 0) {
            pos = skipTo("]]>", lt + 9);
        } else if (text.compare(lt, 2, "<!") == 0) {
            // A declaration; its internal subset may hold '>' inside brackets.
            int depth = 0;
            pos = std::string::npos;
            for (std::size_t i = lt + 2; i < text.size(); ++i) {
                if (text[i] == '[') ++depth;
                else if (text[i] == ']') --depth;
                else if (text[i] == '>' && depth <= 0) {
                    pos = i + 1;
                    break;
                }
            }
        } else if (text.compare(lt, 2, "</") == 0) {
            std::size_t i = lt + 2;
            while (i < text.size() && !isNameEnd(text[i])) ++i;
            const std::string name = text.substr(lt + 2, i - lt - 2);
            while (i < text.size() && isBlank(text[i])) ++i;
            if (i >= text.size() || text[i] != '>' || open.empty() || outline.elements[open.back()].name != name) break;
            outline.elements[open.back()].end = i + 1;
            open.pop_back();
            pos = i + 1;
        } else {
            std::size_t i = lt + 1;
            while (i < text.size() && !isNameEnd(text[i])) ++i;
            if (i == lt + 1) break;
            const std::string name = text.substr(lt + 1, i - lt - 1);
            // Attributes, with '>' allowed inside their quotes.
            char quote = 0;
            for (; i < text.size(); ++i) {
                if (quote) {
                    if (text[i] == quote) quote = 0;
                } else if (text[i] == '"' || text[i] == '\'') {
                    quote = text[i];
                } else if (text[i] == '>' || text[i] == '<') {
                    break;
                }
            }
            if (i >= text.size() || text[i] != '>') break;
            const std::size_t index = add(name, lt);
            if (text[i - 1] == '/') outline.elements[index].end = i + 1;
            else open.push_back(index);
            pos = i + 1;
        }
        if (pos == std::string::npos) break;
    }
    return outline;
}

// Values from an outline: a closed element is read as a whole document of
// its own, as the ordinary reader would read it; an open container near the
// top keeps what it holds whole.
struct PrefixReader {
    const std::string& text;
    const Outline& outline;
    unsigned keepOpenDepth;

    // The element read whole (a key as its text), or nothing when it is
    // open or its text does not read.
    std::optional<Value> whole(std::size_t index) const {
        const Outline::Element& e = outline.elements[index];
        if (e.end == std::string::npos) return std::nullopt;
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        if (document.Parse(text.data() + e.begin, e.end - e.begin) != tinyxml2::XML_SUCCESS) return std::nullopt;
        const tinyxml2::XMLElement* element = document.FirstChildElement();
        if (element == nullptr) return std::nullopt;
        if (e.name == "key") return Value(readText(element));
        return Value::fromPlistElement(element);
    }

    Value read(std::size_t index, unsigned depth) const {
        if (std::optional<Value> value = whole(index)) return *value;
        const Outline::Element& e = outline.elements[index];
        const bool isDict = e.name == "dict";
        if (depth > keepOpenDepth || (!isDict && e.name != "array")) return Value();
        Value result(isDict ? Value::DICT : Value::ARRAY);
        std::optional<std::string> key;
        for (const std::size_t child : e.children) {
            if (isDict && outline.elements[child].name == "key") {
                const std::optional<Value> k = whole(child);
                if (!k) break;
                key = k->toString();
                continue;
            }
            // The first member that does not read whole (cut short, or
            // damaged inside) is where the damage is: what of it is whole
            // near the top still counts, and nothing after it does.
            std::optional<Value> value = whole(child);
            const bool damaged = !value;
            if (damaged) {
                Value partial = read(child, depth + 1);
                if (partial.isSet()) value = std::move(partial);
            }
            if (value && !isDict) {
                result.push_back(*value);
            } else if (value && key) {
                result.set(*value, *key);
                key.reset();
            }
            if (damaged) break;
        }
        return result;
    }
};

} // namespace

void Value::appendPlist(std::string& out, const Value& v, const std::string& indent) {
    switch (v.type_) {
    case NIL: return;
    case STRING: {
        out += indent;
        out += "<string>";
        appendEscaped(out, static_cast<const ConcreteValueHolder<std::string>&>(*v.holder_).value());
        out += "</string>\n";
        return;
    }
    case REAL: appendLine(out, indent, "<real>", v.toString(), "</real>"); return;
    case INTEGER: appendLine(out, indent, "<integer>", v.toString(), "</integer>"); return;
    case BOOL: out += indent + (v.asBool() ? "<true/>\n" : "<false/>\n"); return;
    case DATE: out += indent + "<date/>\n"; return;
    case DATA: out += indent + "<data/>\n"; return;
    case ARRAY: {
        out += indent + "<array>\n";
        const std::string inner = indent + "  ";
        for (const Value& element : static_cast<const ConcreteValueHolder<Array>&>(*v.holder_).value()) {
            appendPlist(out, element, inner);
        }
        out += indent + "</array>\n";
        return;
    }
    case DICT: {
        out += indent + "<dict>\n";
        const std::string inner = indent + "  ";
        for (const auto& [key, entry] : static_cast<const ConcreteValueHolder<Dict>&>(*v.holder_).value()) {
            out += inner;
            out += "<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            appendPlist(out, entry, inner);
        }
        out += indent + "</dict>\n";
        return;
    }
    }
}

Value Value::fromPlistFile(const std::string& path) {
    try {
        const Data data = Data::readFile(path);
        if (data.empty()) {
            // A missing file has been reported by readFile already.
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec)) {
                log("Can't open or parse: %s [%s]", path.c_str(), "empty file");
            }
            return Value();
        }
        return parseDocument(data, path.c_str());
    } catch (const std::exception& e) {
        log("Can't open or parse: %s [%s]", path.c_str(), e.what());
        return Value();
    }
}

Value Value::fromPlistData(const Data& data) { return fromPlistData(data, nullptr); }

Value Value::fromPlistData(const Data& data, std::vector<std::string>* problems) {
    const ProblemScope scope(problems);
    try {
        return parseDocument(data, "plist data");
    } catch (const std::exception& e) {
        log("Can't open or parse: %s [%s]", "plist data", e.what());
        return Value();
    }
}

Value Value::fromPlistPrefix(const Data& data, unsigned keepOpenDepth, std::vector<std::string>* problems) {
    const ProblemScope scope(problems);
    try {
        const std::string text(reinterpret_cast<const char*>(data.data()), data.size());
        const Outline outline = outlineOf(text);
        // The document element holds the top value as its first child.
        if (outline.elements.empty() || outline.elements[0].children.empty()) return Value();
        PrefixReader reader{text, outline, keepOpenDepth};
        return reader.read(outline.elements[0].children[0], 0);
    } catch (const std::exception& e) {
        log("Can't open or parse: %s [%s]", "plist data", e.what());
        return Value();
    }
}

Value Value::fromPlistElement(const tinyxml2::XMLElement* element) {
    if (element == nullptr) return Value();
    const char* name = element->Name();
    if (std::strcmp(name, "dict") == 0) {
        Value result(DICT);
        readPlistDict(result, element);
        return result;
    }
    if (std::strcmp(name, "array") == 0) {
        Value result(ARRAY);
        readPlistArray(result, element);
        return result;
    }
    if (std::strcmp(name, "string") == 0) return Value(readText(element));
    if (std::strcmp(name, "integer") == 0) return readInteger(element);
    if (std::strcmp(name, "real") == 0) return readReal(element);
    if (std::strcmp(name, "true") == 0) return Value(true);
    if (std::strcmp(name, "false") == 0) return Value(false);
    // Dates and data blobs have no payload in this engine.
    if (std::strcmp(name, "date") == 0 || std::strcmp(name, "data") == 0) return Value();
    warn(element, "unknown element <%s>, read as nothing", name);
    return Value();
}

void Value::readPlistDict(Value& value, const tinyxml2::XMLElement* element) {
    if (value.type_ != DICT || element == nullptr) return;
    auto& entries = static_cast<ConcreteValueHolder<Dict>&>(*value.holder_).value();
    // A <key/> without text is the empty key, not a missing one, so that an
    // entry under "" survives a round trip.
    std::optional<std::string> pendingKey;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        if (std::strcmp(child->Name(), "key") == 0) {
            pendingKey = readText(child);
            continue;
        }
        if (!pendingKey) {
            warn(child, "<%s> without a key, skipped", child->Name());
            continue;
        }
        // Of duplicate keys the last one wins.
        entries[*pendingKey] = fromPlistElement(child);
        pendingKey.reset();
    }
}

void Value::readPlistArray(Value& value, const tinyxml2::XMLElement* element) {
    if (value.type_ != ARRAY || element == nullptr) return;
    auto& elements = static_cast<ConcreteValueHolder<Array>&>(*value.holder_).value();
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        elements.push_back(fromPlistElement(child));
    }
}

std::string Value::toPlist(const Value& v) {
    return writePlist(v, std::string());
}

std::string Value::writePlist(const Value& v, const std::string& indent) {
    std::string out;
    appendPlist(out, v, indent);
    return out;
}

std::string Value::toPlistDocument(const Value& v) {
    std::string out = kDocumentHead;
    appendPlist(out, v, std::string());
    out += kDocumentTail;
    return out;
}

bool Value::writePlistFile(const Value& v, const std::string& path) {
    const std::string text = toPlistDocument(v);
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        log("Can't write: %s [%s]", path.c_str(), "too large");
        return false;
    }
    return Data(text.data(), static_cast<std::uint32_t>(text.size())).writeFile(path);
}

} // namespace vorn
