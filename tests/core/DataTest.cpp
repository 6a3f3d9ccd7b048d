#include "core/Data.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include "support/LogCapture.h"

using vorn::test::captureLog;

namespace {

std::string bytesOf(const vorn::Data& data) {
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

vorn::Data dataOf(const std::string& text) {
    return vorn::Data(text.data(), static_cast<std::uint32_t>(text.size()));
}

// windowBits 31 gives a gzip stream, 15 a zlib-wrapped one.
std::string compress(const std::string& input, int windowBits) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, input.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Compressible but not trivially so: 1 MiB of words from a small alphabet.
std::string sampleText(size_t size) {
    std::mt19937 random(7);
    std::string text;
    text.reserve(size);
    while (text.size() < size) text += static_cast<char>('a' + random() % 12);
    return text;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(Data, AppendGrowsByDoublingFrom256) {
    struct Case {
        std::uint32_t start, extra, capacity;
    };
    // start bytes appended first (to an empty buffer), then extra bytes.
    const std::vector<Case> cases = {
        {0, 1, 256}, {0, 300, 512}, {200, 100, 512}, {200, 56, 256}, {200, 57, 512}, {0, 0, 0}, {256, 2000, 4096},
    };
    for (const auto& c : cases) {
        vorn::Data data;
        const std::string first(c.start, 'a');
        const std::string second(c.extra, 'b');
        data.append(first.data(), c.start);
        data.append(second.data(), c.extra);
        EXPECT_EQ(data.capacity(), c.capacity) << c.start << " + " << c.extra;
        EXPECT_EQ(bytesOf(data), first + second);
    }
}

TEST(Data, AppendOfItsOwnBytesSurvivesReallocation) {
    vorn::Data data;
    const std::string text(256, 'x');
    data.append(text.data(), 256);
    ASSERT_EQ(data.capacity(), 256u);
    data.append(data.data(), data.size()); // grows: the source block is replaced
    EXPECT_EQ(bytesOf(data), std::string(512, 'x'));
}

TEST(Data, CopiesAreIndependentAndMovesEmptyTheSource) {
    vorn::Data original = dataOf("abc");
    vorn::Data copy(original);
    copy.data()[0] = 'X';
    EXPECT_EQ(bytesOf(original), "abc");
    EXPECT_EQ(copy.capacity(), 3u);

    vorn::Data assigned;
    assigned = original;
    assigned = assigned;
    EXPECT_EQ(bytesOf(assigned), "abc");

    vorn::Data moved(std::move(original));
    EXPECT_EQ(bytesOf(moved), "abc");
    EXPECT_EQ(original.size(), 0u);
    EXPECT_EQ(original.data(), nullptr);
    original = std::move(moved);
    EXPECT_EQ(bytesOf(original), "abc");
    EXPECT_EQ(moved.size(), 0u);
}

TEST(Data, ToStringEndsAtTheFirstNul) {
    EXPECT_EQ(dataOf(std::string("ab\0cd", 5)).toString(), "ab");
    EXPECT_EQ(dataOf("abcd").toString(), "abcd");
    EXPECT_EQ(vorn::Data().toString(), "");
}

TEST(Data, ReaderHandsOutTheBytesInOrder) {
    const vorn::Data data = dataOf("0123456789");
    vorn::DataReader reader(data);
    char out[4];
    std::vector<std::uint32_t> counts;
    std::string seen;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t n = reader.read(out, 4);
        counts.push_back(n);
        seen.append(out, n);
        EXPECT_EQ(reader.atEnd(), i >= 2) << "after read " << i + 1;
    }
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{4, 4, 2, 0}));
    EXPECT_EQ(seen, "0123456789");
}

TEST(Data, WriteThenReadGivesTheSameBytes) {
    vorn::test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
    ASSERT_TRUE(dataOf(bytes).writeFile(dir.file("bin")));
    const vorn::Data read = vorn::Data::readFile(dir.file("bin"));
    EXPECT_EQ(bytesOf(read), bytes);
    // Sized exactly to the file; the first append reallocates.
    EXPECT_EQ(read.capacity(), 0u);
}

TEST(Data, WriteReplacesTheWholeFileAndLeavesNoTemporaryFiles) {
    vorn::test::TempDir dir;
    const std::string path = dir.file("users.xml");
    vorn::test::writeBytes(path, std::string(5000, 'o'));
    ASSERT_TRUE(dataOf("new").writeFile(path));
    EXPECT_EQ(vorn::test::readBytes(path), "new");
    ASSERT_TRUE(vorn::Data().writeFile(path));
    EXPECT_EQ(vorn::test::readBytes(path), "");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"users.xml"});
}

TEST(Data, FailedWriteReturnsFalseLogsAndKeepsWhatWasThere) {
    vorn::test::TempDir dir;
    const std::string inMissingFolder = dir.file("no/such/folder/file");
    std::string log = captureLog([&] { EXPECT_FALSE(dataOf("x").writeFile(inMissingFolder)); });
    EXPECT_NE(log.find("Can't write: " + inMissingFolder), std::string::npos) << log;

    // The target is a folder with something in it: the rename over it fails.
    const std::string folder = dir.file("profile");
    std::filesystem::create_directories(folder);
    vorn::test::writeBytes(folder + "/keep", "kept");
    log = captureLog([&] { EXPECT_FALSE(dataOf("x").writeFile(folder)); });
    EXPECT_NE(log.find("Can't write: " + folder), std::string::npos) << log;
    EXPECT_EQ(vorn::test::readBytes(folder + "/keep"), "kept");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"profile"});

    log = captureLog([&] { EXPECT_FALSE(dataOf("x").writeFile("")); });
    EXPECT_NE(log.find("Can't write"), std::string::npos);
}

// A disk that fills up halfway through a save: the limit on file size makes
// the write fail after some bytes went out.
TEST(Data, WriteThatRunsOutOfSpaceKeepsTheOldFile) {
    vorn::test::TempDir dir;
    const std::string path = dir.file("users.xml");
    vorn::test::writeBytes(path, "old profiles");

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = true;
    const std::string log = captureLog([&] { written = dataOf(std::string(100000, 'n')).writeFile(path); });
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    EXPECT_NE(log.find("Can't write: " + path), std::string::npos) << log;
    EXPECT_EQ(vorn::test::readBytes(path), "old profiles");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"users.xml"});
}

TEST(Data, ReadFileOfMissingEmptyOrFolderPaths) {
    vorn::test::TempDir dir;
    const std::string missing = dir.file("missing.png");
    std::string log = captureLog([&] { EXPECT_EQ(vorn::Data::readFile(missing).size(), 0u); });
    EXPECT_NE(log.find("File not found: " + missing), std::string::npos) << log;

    vorn::test::writeBytes(dir.file("empty"), "");
    log = captureLog([&] { EXPECT_EQ(vorn::Data::readFile(dir.file("empty")).size(), 0u); });
    EXPECT_EQ(log, "");

    const std::string folder = dir.path().string();
    log = captureLog([&] { EXPECT_EQ(vorn::Data::readFile(folder).size(), 0u); });
    EXPECT_NE(log.find("File not found: " + folder), std::string::npos) << log;
}

TEST(Data, InflatesALargeGzipStreamInSeveralPasses) {
    const std::string original = sampleText(1 << 20); // four passes of output
    const std::string gzip = compress(original, 31);
    vorn::Data out = dataOf("head");
    EXPECT_EQ(out.inflate(dataOf(gzip)), 1);
    EXPECT_EQ(bytesOf(out), "head" + original);
}

TEST(Data, TruncatedGzipKeepsItsDecodablePrefixAndReportsFailure) {
    const std::string original = sampleText(1 << 20);
    const std::string gzip = compress(original, 31);
    vorn::Data out;
    std::string log;
    log = captureLog([&] { EXPECT_EQ(out.inflate(dataOf(gzip.substr(0, gzip.size() / 2))), 0); });
    EXPECT_NE(log.find("Can't inflate"), std::string::npos);
    ASSERT_GT(out.size(), 0u);
    ASSERT_LT(out.size(), original.size());
    EXPECT_EQ(bytesOf(out), original.substr(0, out.size()));

    // Cut within the trailer: every byte decodes, the checksum is missing.
    vorn::Data almost;
    captureLog([&] { EXPECT_EQ(almost.inflate(dataOf(gzip.substr(0, gzip.size() - 4))), 0); });
    EXPECT_EQ(bytesOf(almost), original);
}

TEST(Data, InflateRejectsWhatIsNotGzip) {
    const std::string original = sampleText(5000);
    std::string corrupt = compress(original, 31);
    corrupt[corrupt.size() / 2] ^= 0x55;
    corrupt[corrupt.size() / 2 + 1] ^= 0x55;
    struct Case {
        const char* name;
        std::string input;
    };
    const std::vector<Case> cases = {
        {"zlib wrapper", compress(original, 15)},
        {"raw deflate", compress(original, -15)},
        {"empty", ""},
        {"text", "not compressed at all"},
        {"corrupt", corrupt},
    };
    for (const auto& c : cases) {
        vorn::Data out = dataOf("keep");
        const std::string log = captureLog([&] { EXPECT_EQ(out.inflate(dataOf(c.input)), 0) << c.name; });
        EXPECT_NE(log.find("Can't inflate"), std::string::npos) << c.name;
        const std::string got = bytesOf(out);
        EXPECT_EQ(got.substr(0, 4), "keep") << c.name;
        EXPECT_EQ(got.substr(4), original.substr(0, got.size() - 4)) << c.name;
        if (c.name != std::string("corrupt")) {
            EXPECT_EQ(got, "keep") << c.name;
        }
    }
}

TEST(Data, AsynchronousReadCompletion) {
    std::string received = "unset";
    auto request = std::make_unique<vorn::Data::ReadRequest>();
    request->fileName = "a.bin";
    request->completion = [&](vorn::Data& data) { received = bytesOf(data); };
    vorn::Data::readLoaded(std::move(request), "bytes", 5);
    EXPECT_EQ(received, "bytes");

    request = std::make_unique<vorn::Data::ReadRequest>();
    request->completion = [&](vorn::Data& data) { received = bytesOf(data); };
    vorn::Data::readFailed(std::move(request));
    EXPECT_EQ(received, "");

    // The request is freed even when its completion is empty.
    EXPECT_THROW(vorn::Data::readLoaded(std::make_unique<vorn::Data::ReadRequest>(), "x", 1),
                 std::bad_function_call);
}
