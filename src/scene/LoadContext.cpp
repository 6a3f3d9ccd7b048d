#include "scene/LoadContext.h"

#include "core/Log.h"

#include <tinyxml2.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <vector>

namespace vorn {

namespace {

// One outermost load: the files it has open, innermost last, how many it
// has read, and what it has said already, so that a refusal met again and
// again (a file that names itself four times, included four times over) is
// told once.
struct Loading {
    std::vector<std::string> files;
    int read = 0;
    bool toldTooMany = false;
    std::set<std::string> told;
};

thread_local Loading loading;
thread_local const tinyxml2::XMLElement* currentElement = nullptr;

bool onStack(const std::string& path) {
    return std::find(loading.files.begin(), loading.files.end(), path) != loading.files.end();
}

} // namespace

LoadContext::File::File(const std::string& path, const char* what) {
    if (loading.files.empty()) loading = Loading{};
    const std::string outermost = loading.files.empty() ? path : loading.files.front();
    if (onStack(path)) {
        if (loading.told.insert("inside " + path).second) {
            log("%s includes itself, not read again: %s (in %s)", what, path.c_str(), outermost.c_str());
        }
        return;
    }
    if (static_cast<int>(loading.files.size()) >= maxDepth) {
        if (loading.told.insert("deep " + path).second) {
            log("%s nested too deep, not read: %s", what, path.c_str());
        }
        return;
    }
    if (loading.read >= maxFiles) {
        if (!loading.toldTooMany) {
            loading.toldTooMany = true;
            log("%s: %s includes more than %d files; the rest are not read", what, outermost.c_str(), maxFiles);
        }
        return;
    }
    ++loading.read;
    loading.files.push_back(path);
    entered_ = true;
}

LoadContext::File::~File() {
    if (entered_) loading.files.pop_back();
}

LoadContext::Element::Element(const tinyxml2::XMLElement* element) : previous_(currentElement) {
    currentElement = element;
}

LoadContext::Element::~Element() { currentElement = previous_; }

std::string LoadContext::where() {
    if (loading.files.empty()) return {};
    std::string text = loading.files.back();
    if (currentElement) text += " line " + std::to_string(currentElement->GetLineNum());
    return text;
}

void LoadContext::report(const std::string& name, const Value& value, const char* problem) {
    const std::string place = where();
    const std::string element = currentElement ? std::string("<") + currentElement->Name() + ">" : "node";
    const std::string text = value.toString();
    log("%s%s%s %s=\"%s\" %s", place.c_str(), place.empty() ? "" : ": ", element.c_str(), name.c_str(), text.c_str(),
        problem);
}

void LoadContext::badValue(const std::string& name, const Value& value, const std::exception& e) {
    if (dynamic_cast<const std::out_of_range*>(&e)) {
        report(name, value, "is out of range, ignored");
    } else if (dynamic_cast<const std::invalid_argument*>(&e)) {
        report(name, value, "is not a number, ignored");
    } else {
        report(name, value, (std::string("cannot be read, ignored [") + e.what() + "]").c_str());
    }
}

} // namespace vorn
