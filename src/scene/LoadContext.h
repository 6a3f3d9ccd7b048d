#pragma once

#include <string>

namespace vorn {

// What the node and action loaders are reading, on this thread: the files
// that include one another ("content", node and action files), innermost
// last.
//
// Files: one is never read inside itself, the chain is at most maxDepth
// deep, and one outermost load (a file with everything it includes, however
// they fan out) reads at most maxFiles files; a file refused is logged once
// per outermost load.
class LoadContext {
public:
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
};

} // namespace vorn
