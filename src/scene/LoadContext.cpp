#include "scene/LoadContext.h"

#include "core/Log.h"

#include <algorithm>
#include <set>
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

} // namespace vorn
