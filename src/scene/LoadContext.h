#pragma once

#include "core/Value.h"

#include <exception>
#include <map>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

// What the node and action loaders are reading, on this thread: the files
// that include one another ("content", node and action files), innermost
// last, and the element whose attributes are being read.
//
// Files: one is never read inside itself, the chain is at most maxDepth
// deep, and one outermost load (a file with everything it includes, however
// they fan out) reads at most maxFiles files; a file refused is logged once
// per outermost load.
//
// Attributes: each is read on its own, with numbers read strictly (a
// number followed by other text is no number). A value that does not
// read as what its attribute needs leaves that attribute out, and the log
// names the file, the element, the attribute and the value; the rest of the
// file is read.
class LoadContext {
public:
    using Attributes = std::map<std::string, Value>;

    static constexpr int maxDepth = 16;
    static constexpr int maxFiles = 10000;

    // A file entered for the object's lifetime, unless it was refused.
    class File {
    public:
        // what names the kind of file in messages ("Node content", "Action content").
        File(const std::string& path, const char* what);
        ~File();
        File(const File&) = delete;
        File& operator=(const File&) = delete;

        bool entered() const { return entered_; }

    private:
        bool entered_ = false;
    };

    // The element whose attributes are read during the object's lifetime.
    class Element {
    public:
        explicit Element(const tinyxml2::XMLElement* element);
        ~Element();
        Element(const Element&) = delete;
        Element& operator=(const Element&) = delete;

    private:
        const tinyxml2::XMLElement* previous_;
    };

    // Runs read for the attribute name with its value; false (and a log
    // line) when read threw.
    template <typename Read>
    static bool attribute(const std::string& name, const Value& value, Read&& read) {
        try {
            const Value::StrictNumbers strict;
            read();
            return true;
        } catch (const std::exception& e) {
            badValue(name, value, e);
            return false;
        }
    }

    // handle(name, value) for every attribute, each on its own.
    template <typename Handle>
    static void each(const Attributes& attributes, Handle&& handle) {
        for (const auto& entry : attributes) attribute(entry.first, entry.second, [&] { handle(entry.first, entry.second); });
    }

    // read(value) for the attribute name when it is there.
    template <typename Read>
    static void find(const Attributes& attributes, const std::string& name, Read&& read) {
        const auto found = attributes.find(name);
        if (found != attributes.end()) attribute(name, found->second, [&] { read(found->second); });
    }

    // "<where>: <element> name="value" <problem>".
    static void report(const std::string& name, const Value& value, const char* problem);

    // The file and line being read, or "" outside any file.
    static std::string where();

private:
    static void badValue(const std::string& name, const Value& value, const std::exception& e);
};

} // namespace vorn
