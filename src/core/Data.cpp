#include "core/Data.h"

#include "core/Log.h"

#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorn {

namespace {

constexpr std::uint32_t kMaxSize = 0xFFFFFFFFu;
constexpr std::uint32_t kInflateChunk = 0x50000;

std::string errnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// Only regular files are read: a directory would read as garbage or fail
// late, and opening a FIFO would block the caller.
bool isRegularFile(const char* path, long long* size) {
#ifdef _WIN32
    struct _stat64 st;
    if (_stat64(path, &st) != 0) return false;
    if ((st.st_mode & _S_IFMT) != _S_IFREG) return false;
#else
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) return false;
#endif
    *size = static_cast<long long>(st.st_size);
    return true;
}

bool syncToDisk(FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

// Makes the rename itself durable; best effort, as not every file system
// lets a folder be opened for this.
void syncFolder([[maybe_unused]] const std::filesystem::path& folder) {
#ifndef _WIN32
    const std::string name = folder.empty() ? std::string(".") : folder.string();
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

// Replaces an existing target in one step.
bool replaceFile(const std::string& from, const std::string& to, std::string* error) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    *error = std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    *error = errnoText(errno);
    return false;
#endif
}

std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(::getpid());
#endif
    return target + "." + std::to_string(pid) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
}

} // namespace

Data::Data(std::uint32_t size) {
    if (size == 0) return;
    data_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    size_ = size;
    capacity_ = size;
}

Data::Data(const void* bytes, std::uint32_t size) {
    if (size == 0 || bytes == nullptr) return;
    data_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::memcpy(data_.get(), bytes, size);
    size_ = size;
    capacity_ = size;
}

Data::Data(const Data& other) : Data(other.data_.get(), other.size_) {}

Data::Data(Data&& other) noexcept
    : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

Data& Data::operator=(const Data& other) {
    if (this != &other) {
        Data copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Data& Data::operator=(Data&& other) noexcept {
    if (this != &other) {
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

Data Data::readFile(const std::string& path) {
    return readFile(path.c_str());
}

Data Data::readFile(const char* path) {
    if (path == nullptr) return Data();
    return readFile(std::string(path), kMaxSize, nullptr);
}

Data Data::readFile(const std::string& name, std::uint32_t limit, bool* cut) {
    Data result;
    if (cut) *cut = false;
    const char* path = name.c_str();
    long long fileSize = 0;
    if (!isRegularFile(path, &fileSize)) {
        log("File not found: %s", path);
        return result;
    }
    if (fileSize < 0 || (fileSize > static_cast<long long>(kMaxSize) && limit == kMaxSize)) {
        log("File too large: %s", path);
        return result;
    }
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        log("File not found: %s", path);
        return result;
    }
    if (fileSize > static_cast<long long>(limit)) {
        fileSize = limit;
        if (cut) *cut = true;
    }
    const auto expected = static_cast<std::uint32_t>(fileSize);
    if (expected > 0) {
        auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(expected);
        const size_t got = std::fread(bytes.get(), 1, expected, file);
        if (std::ferror(file)) {
            log("Can't read: %s [%s]", path, errnoText(errno).c_str());
        } else if (got > 0) {
            // A file that shrank since it was measured gives what is there.
            result.data_ = std::move(bytes);
            result.size_ = static_cast<std::uint32_t>(got);
        }
    }
    std::fclose(file);
    return result;
}

bool Data::writeFile(const std::string& path) const {
    return writeFile(path.c_str());
}

bool Data::writeFile(const char* path) const {
    if (path == nullptr || *path == '\0') {
        log("Can't write: %s [%s]", "", "empty path");
        return false;
    }
    const std::string target = path;
    const std::string temporary = temporaryName(target);
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        log("Can't write: %s [%s]", path, errnoText(errno).c_str());
        return false;
    }
    bool ok = size_ == 0 || std::fwrite(data_.get(), 1, size_, file) == size_;
    ok = ok && std::fflush(file) == 0 && syncToDisk(file);
    int error = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        log("Can't write: %s [%s]", path, errnoText(error != 0 ? error : EIO).c_str());
        return false;
    }
    std::string renameError;
    if (!replaceFile(temporary, target, &renameError)) {
        std::remove(temporary.c_str());
        log("Can't write: %s [%s]", path, renameError.c_str());
        return false;
    }
    syncFolder(std::filesystem::path(target).parent_path());
    return true;
}

Data::NewCopy Data::copyToNewFile(const std::string& from, const std::string& to) {
    FILE* source = std::fopen(from.c_str(), "rb");
    if (!source) {
        log("Can't copy: %s [%s]", from.c_str(), errnoText(errno).c_str());
        return NewCopy::Failed;
    }
#ifdef _WIN32
    const int fd = _open(to.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
    if (fd < 0) {
        const int error = errno;
        std::fclose(source);
        if (error == EEXIST) return NewCopy::NameTaken;
        log("Can't write: %s [%s]", to.c_str(), errnoText(error).c_str());
        return NewCopy::Failed;
    }
#ifdef _WIN32
    FILE* target = _fdopen(fd, "wb");
#else
    FILE* target = ::fdopen(fd, "wb");
#endif
    if (!target) {
        const int error = errno;
#ifdef _WIN32
        _close(fd);
#else
        ::close(fd);
#endif
        std::fclose(source);
        std::remove(to.c_str());
        log("Can't write: %s [%s]", to.c_str(), errnoText(error).c_str());
        return NewCopy::Failed;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    int error = 0;
    while (ok) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), source);
        if (got > 0 && std::fwrite(buffer.data(), 1, got, target) != got) {
            ok = false;
            error = errno;
        }
        if (got < buffer.size()) {
            if (std::ferror(source)) {
                ok = false;
                error = errno;
            }
            break;
        }
    }
    ok = ok && std::fflush(target) == 0 && syncToDisk(target);
    if (!ok && error == 0) error = errno;
    if (std::fclose(target) != 0 && ok) {
        ok = false;
        error = errno;
    }
    std::fclose(source);
    if (!ok) {
        std::remove(to.c_str());
        log("Can't write: %s [%s]", to.c_str(), errnoText(error != 0 ? error : EIO).c_str());
        return NewCopy::Failed;
    }
    syncFolder(std::filesystem::path(to).parent_path());
    return NewCopy::Made;
}

void Data::append(const void* bytes, std::uint32_t n) {
    if (n == 0) return;
    if (n > kMaxSize - size_) throw std::length_error("vorn::Data exceeds 4 GiB");
    const std::uint32_t needed = size_ + n;
    if (needed > capacity_) {
        std::uint64_t grown = capacity_ == 0 ? 256 : std::uint64_t(capacity_) * 2;
        while (grown < needed) grown *= 2;
        const auto newCapacity = static_cast<std::uint32_t>(grown > kMaxSize ? kMaxSize : grown);
        auto block = std::make_unique_for_overwrite<std::uint8_t[]>(newCapacity);
        if (size_ > 0) std::memcpy(block.get(), data_.get(), size_);
        // bytes may point into the old block, so copy before it is freed.
        std::memcpy(block.get() + size_, bytes, n);
        data_ = std::move(block);
        capacity_ = newCapacity;
        size_ = needed;
        return;
    }
    std::memmove(data_.get() + size_, bytes, n);
    size_ = needed;
}

std::string Data::toString() const {
    if (size_ == 0) return std::string();
    const auto* begin = reinterpret_cast<const char*>(data_.get());
    const void* nul = std::memchr(begin, 0, size_);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : size_;
    return std::string(begin, length);
}

int Data::inflate(const Data& source) {
    z_stream stream{};
    stream.next_in = const_cast<Bytef*>(source.data());
    stream.avail_in = source.size();
    // 31: a 32 KiB window and the gzip wrapper only.
    if (inflateInit2(&stream, 31) != Z_OK) {
        log("Can't inflate gzip data [%s]", stream.msg ? stream.msg : "initialisation failed");
        return 0;
    }
    auto scratch = std::make_unique_for_overwrite<std::uint8_t[]>(kInflateChunk);
    int result = Z_OK;
    const char* failure = nullptr;
    for (;;) {
        stream.next_out = scratch.get();
        stream.avail_out = kInflateChunk;
        result = ::inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) {
            failure = result == Z_BUF_ERROR ? "truncated input" : (stream.msg ? stream.msg : "corrupt input");
            break;
        }
        const std::uint32_t produced = kInflateChunk - stream.avail_out;
        if (produced > kMaxSize - size_) {
            failure = "output exceeds 4 GiB";
            break;
        }
        append(scratch.get(), produced);
        if (result == Z_STREAM_END) break;
        if (stream.avail_out != 0) {
            // The input ran out before the end of the stream.
            failure = "truncated input";
            break;
        }
    }
    inflateEnd(&stream);
    if (failure) {
        log("Can't inflate gzip data [%s]", failure);
        return 0;
    }
    return 1;
}

void Data::readLoaded(std::unique_ptr<ReadRequest> request, const void* bytes, std::uint32_t n) {
    Data data(bytes, n);
    request->completion(data);
}

void Data::readFailed(std::unique_ptr<ReadRequest> request) {
    Data data;
    request->completion(data);
}

std::uint32_t DataReader::read(void* destination, std::uint32_t n) {
    if (atEnd()) return 0;
    const std::uint32_t left = data_->size() - position_;
    const std::uint32_t count = n < left ? n : left;
    std::memcpy(destination, data_->data() + position_, count);
    position_ += count;
    return count;
}

} // namespace vorn
