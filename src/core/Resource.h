#pragma once

#include <string>

namespace vorn {

// Base of every shared, cached asset: XML documents, frames, fonts, sound
// samples. Loading makes the CPU side on any thread; load() finishes it on
// the main thread (a frame uploads its texture there).
class Resource {
public:
    Resource() = default;
    explicit Resource(std::string name) : name_(std::move(name)) {}
    virtual ~Resource() = default;

    // Main thread only. Nothing to do for most kinds.
    virtual void load() {}

    // The file an XML document was read from or a TrueType font's file;
    // empty for the other kinds.
    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }

protected:
    // Copies of a resource start without a name of their own.
    Resource(const Resource&) {}
    Resource& operator=(const Resource&) { return *this; }

private:
    std::string name_;
};

} // namespace vorn
