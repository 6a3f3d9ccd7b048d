#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vorn {

// An owned, growable byte buffer with value semantics: copies duplicate the
// bytes, moves hand them over. Whole files are read into and written from it.
class Data {
public:
    // What the completion step of an asynchronous read is handed.
    struct ReadRequest {
        std::string fileName;
        std::function<void(Data&)> completion;
    };

    Data() = default;
    // size bytes of unspecified contents.
    explicit Data(std::uint32_t size);
    Data(const void* bytes, std::uint32_t size);
    Data(const Data& other);
    Data(Data&& other) noexcept;
    Data& operator=(const Data& other);
    Data& operator=(Data&& other) noexcept;
    ~Data() = default;

    // The whole file; empty (and "File not found: %s" logged) when it is
    // missing, a directory or unreadable.
    static Data readFile(const char* path);
    static Data readFile(const std::string& path);
    // At most limit bytes from the start of the file; *cut tells whether it
    // held more.
    static Data readFile(const std::string& path, std::uint32_t limit, bool* cut);

    // Replaces the file atomically: the bytes go to a temporary file in the
    // same folder, are flushed to disk and then renamed over the target, so
    // a crash or a full disk never leaves a half-written file. False (and a
    // log line) when anything fails; the old file is then untouched.
    [[nodiscard]] bool writeFile(const char* path) const;
    [[nodiscard]] bool writeFile(const std::string& path) const;

    // Copies a file to a new one that never replaces another: the copy is
    // created only where no file is yet, and flushed to disk before this
    // returns. NameTaken when something is at to already (nothing is done);
    // Failed (and a log line, and no copy left behind) when the copy could
    // not be made.
    enum class NewCopy { Made, NameTaken, Failed };
    [[nodiscard]] static NewCopy copyToNewFile(const std::string& from, const std::string& to);

    // Capacity starts at 256 and doubles until the bytes fit.
    void append(const void* bytes, std::uint32_t n);

    // The bytes as text, up to the first NUL byte.
    std::string toString() const;

    // Decompresses the gzip stream in source and appends the result. Returns
    // 1 when the whole stream was decoded, 0 when the input is corrupt,
    // truncated or not gzip (the decodable prefix stays appended).
    int inflate(const Data& source);

    // Completion of an asynchronous read: the callback gets the bytes (or an
    // empty buffer on failure), and the request is freed afterwards.
    static void readLoaded(std::unique_ptr<ReadRequest> request, const void* bytes, std::uint32_t n);
    static void readFailed(std::unique_ptr<ReadRequest> request);

    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::uint32_t size() const { return size_; }
    std::uint32_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::uint32_t size_ = 0;
    // Only append's growth rule reads it; a buffer read from a file keeps 0.
    std::uint32_t capacity_ = 0;
};

// Reads a buffer front to back; the buffer must outlive the reader.
class DataReader {
public:
    explicit DataReader(const Data& data) : data_(&data) {}

    bool atEnd() const { return position_ >= data_->size(); }
    // Copies up to n bytes to destination and returns how many it copied.
    std::uint32_t read(void* destination, std::uint32_t n);
    std::uint32_t position() const { return position_; }

private:
    const Data* data_;
    std::uint32_t position_ = 0;
};

} // namespace vorn
