#pragma once

#include <filesystem>
#include <string>

namespace vorn::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Path of a file inside the folder, as a string for the engine's file calls.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, replacing it; for building fixtures.
void writeBytes(const std::string& path, const std::string& bytes);
// Reads a whole file as bytes; empty when it cannot be read.
std::string readBytes(const std::string& path);

} // namespace vorn::test
