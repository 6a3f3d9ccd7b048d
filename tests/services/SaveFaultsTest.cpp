// A save interrupted at each of its steps (writing the bytes, syncing them
// to disk, renaming the new file over the old one) leaves the old users file
// or the new one whole, never a mix, and no stray temporary file.
//
// The faults are injected beneath the engine: this program supplies its own
// fwrite, fsync and rename, which fail on request for the users file's
// temporary copy and otherwise pass the call on.
#include "services/User.h"
#include "services/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace {

enum class Step { none, write, sync, rename };
std::atomic<Step> failing{Step::none};
std::atomic<int> failures{0};

bool isSaveTemporary(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0) return false;
    const std::string path(target, static_cast<std::size_t>(n));
    return path.find("users.xml.") != std::string::npos && path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0;
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
    static auto real = next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (failing == Step::write && isSaveTemporary(fileno(file))) {
        ++failures;
        errno = ENOSPC;
        // Half the bytes made it: a short write, as a full disk gives.
        return real(data, size, count / 2, file);
    }
    return real(data, size, count, file);
}

extern "C" int fsync(int fd) {
    static auto real = next<int (*)(int)>("fsync");
    if (failing == Step::sync && isSaveTemporary(fd)) {
        ++failures;
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    static auto real = next<int (*)(const char*, const char*)>("rename");
    if (failing == Step::rename && std::string(to).find("users.xml") != std::string::npos) {
        ++failures;
        errno = EXDEV;
        return -1;
    }
    return real(from, to);
}

namespace {

using vorn::UserManager;
using vorn::test::readBytes;

class SaveFaults : public vorn::test::ServicesTest, public ::testing::WithParamInterface<Step> {};

TEST_P(SaveFaults, LeaveTheOldFileWholeAndTheNextSaveWritesTheNewOne) {
    UserManager* users = UserManager::instance();
    vorn::User* p1 = users->addUser("P1");
    p1->getResource("gold").set(100);
    users->save();
    const std::string path = users->usersFilePath();
    const std::string old = readBytes(path);
    ASSERT_NE(old.find("<integer>100</integer>"), std::string::npos);

    vorn::test::LogCapture log;
    failing = GetParam();
    p1->getResource("gold").set(200);
    users->save();
    failing = Step::none;
    EXPECT_GE(failures.load(), 1);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_NE(log.text().find("Can't write: " + path), std::string::npos) << log.text();
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }

    users->save();
    EXPECT_NE(readBytes(path).find("<integer>200</integer>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Users, SaveFaults, ::testing::Values(Step::write, Step::sync, Step::rename),
                         [](const ::testing::TestParamInfo<Step>& param) {
                             switch (param.param) {
                             case Step::write: return std::string("AtWrite");
                             case Step::sync: return std::string("AtSync");
                             case Step::rename: return std::string("AtRename");
                             default: return std::string("None");
                             }
                         });

} // namespace
