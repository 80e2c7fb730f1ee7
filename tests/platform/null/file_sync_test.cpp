// The settings file's save flushes the new file's data to the disk before the rename and the
// directory after it. This program defines fsync itself, so the codec's calls come here: each
// call records what the file system looked like at that moment, and a call can be made to fail.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings/temp_dir.h"
#include "settings/ini_codec.h"

namespace {

struct SyncCall {
    std::string path;   // what the descriptor names
    std::string target; // the settings file's content at that moment
    bool tempExists = false;
};

std::vector<SyncCall> Calls;
std::string WatchedTarget;
int FailingTempSyncs = 0; // how many more fsyncs of a ".tmp" file fail with EIO

std::string PathOf(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[PATH_MAX];
    const ssize_t n = readlink(link, path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

} // namespace

extern "C" int fsync(int fd) {
    SyncCall call;
    call.path = PathOf(fd);
    if (!WatchedTarget.empty()) {
        call.target = velkar::testing::ReadBytes(WatchedTarget);
        call.tempExists = std::filesystem::exists(WatchedTarget + ".tmp");
    }
    Calls.push_back(call);
    const bool isTemp = call.path.ends_with(".tmp");
    if (isTemp && FailingTempSyncs > 0) {
        FailingTempSyncs -= 1;
        errno = EIO;
        return -1;
    }
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

namespace {

using velkar::testing::ReadBytes;
using velkar::testing::TempDir;
using velkar::testing::WriteBytes;

class FileSync : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.File("velkar.ini");
        WriteBytes(path, "[GAME]\nGameRank=0\n");
        ASSERT_EQ(velkar::IniLoad(file, path.c_str()), 0);
        ASSERT_EQ(velkar::IniSetString(file, "GAME", "GameRank", "1"), 0);
        Calls.clear();
        WatchedTarget = path;
        FailingTempSyncs = 0;
    }
    void TearDown() override { WatchedTarget.clear(); }
    TempDir dir;
    std::string path;
    velkar::IniFile file;
};

TEST_F(FileSync, TheNewDataReachesTheDiskBeforeTheRenameAndTheDirectoryAfterIt) {
    ASSERT_EQ(velkar::IniSave(file, path.c_str()), 0);
    ASSERT_EQ(Calls.size(), 2u);
    // First the temporary file, while the old file is still in place.
    EXPECT_EQ(Calls[0].path, std::filesystem::canonical(dir.Path()).string() + "/velkar.ini.tmp");
    EXPECT_EQ(Calls[0].target, "[GAME]\nGameRank=0\n");
    EXPECT_TRUE(Calls[0].tempExists);
    // Then the directory, once the new file holds the name.
    EXPECT_EQ(Calls[1].path, std::filesystem::canonical(dir.Path()).string());
    EXPECT_EQ(Calls[1].target, "[GAME]\nGameRank=1\n");
    EXPECT_FALSE(Calls[1].tempExists);
}

TEST_F(FileSync, AFailedFlushKeepsTheOldFileAndLeavesNoTemporaryFile) {
    FailingTempSyncs = 1;
    EXPECT_EQ(velkar::IniSave(file, path.c_str()), -1);
    EXPECT_EQ(ReadBytes(path), "[GAME]\nGameRank=0\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    ASSERT_EQ(Calls.size(), 1u); // no rename, so no directory to flush

    EXPECT_EQ(velkar::IniSave(file, path.c_str()), 0); // the next save goes through
    EXPECT_EQ(ReadBytes(path), "[GAME]\nGameRank=1\n");
}

TEST_F(FileSync, ASaveBesideTheWorkingDirectoryFlushesThatDirectory) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const int32_t result = velkar::IniSave(file, "velkar.ini");
    std::filesystem::current_path(before);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[1].path, std::filesystem::canonical(dir.Path()).string());
}

} // namespace
