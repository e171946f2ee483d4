#include "app/platform.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/test_support.h"

using namespace vexa::test;
namespace fs = std::filesystem;

TEST(Platform, AppDirectoryFromEnvironmentIsAbsoluteAndCreated)
{
    TempDir dir;
    {
        ScopedEnv env("VEXAGRID_HOME", dir.file("a/b"));
        EXPECT_EQ(vexa::AppDirectory(), fs::path(dir.file("a/b/")).lexically_normal().string());
        EXPECT_TRUE(vexa::IsDirectory(dir.file("a/b")));
    }
    const auto cwd = fs::current_path();
    fs::current_path(dir.path());
    ScopedEnv env("VEXAGRID_HOME", "rel");
    const std::string appDir = vexa::AppDirectory();
    fs::current_path(cwd);
    EXPECT_EQ(appDir, (fs::path(dir.path()) / "rel/").lexically_normal().string());
}

TEST(Platform, PrivateTempDirIsFreshAndClosedToOthers)
{
    TempDir base;
    ScopedEnv env("TMPDIR", base.path().string());
    const std::string a = vexa::MakePrivateTempDir();
    const std::string b = vexa::MakePrivateTempDir();
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.back(), '/');
    EXPECT_EQ(a.rfind(base.path().string(), 0), 0u);
    struct stat st {};
    ASSERT_EQ(stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Platform, WriteFileAtomicReplacesContentKeepsModeLeavesNoTemp)
{
    TempDir dir;
    const std::string path = dir.file("Vexa.ini");
    EXPECT_EQ(vexa::WriteFileAtomic(path, "first"), "");
    chmod(path.c_str(), 0640);
    EXPECT_EQ(vexa::WriteFileAtomic(path, std::string("second\0x", 8)), "");
    EXPECT_EQ(ReadFile(path), std::string("second\0x", 8));
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ListDirectory(dir.path().string()), std::vector<std::string>{"Vexa.ini"});
}

TEST(Platform, WriteFileAtomicWritesThroughSymlink)
{
    TempDir dir;
    WriteFile(dir.file("real.ini"), "old");
    fs::create_symlink("real.ini", dir.file("link.ini"));
    EXPECT_EQ(vexa::WriteFileAtomic(dir.file("link.ini"), "new"), "");
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(ReadFile(dir.file("real.ini")), "new");
}

namespace {
// A write that runs out of room half-way (file size limit, as a full disk).
std::string WriteIntoFullDisk(const std::string& path, vexa::FileSync sync)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    std::string err = vexa::WriteFileAtomic(path, std::string(10000, 'x'), sync);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return err;
}
}  // namespace

TEST(Platform, WriteFileAtomicFailureKeepsOldFile)
{
    TempDir dir;
    const std::string path = dir.file("task.vxtask");
    WriteFile(path, "good old content");
    EXPECT_NE(vexa::WriteFileAtomic(dir.file("missing/x"), "y"), "");
    EXPECT_NE(vexa::WriteFileAtomic(dir.path().string(), "y"), "");  // a directory

    EXPECT_NE(WriteIntoFullDisk(path, vexa::FileSync::Now), "");
    EXPECT_EQ(ReadFile(path), "good old content");
    EXPECT_EQ(ListDirectory(dir.path().string()), std::vector<std::string>{"task.vxtask"});
}

// Without the sync per file, a write is just as whole or absent; one sync of
// the file system afterwards makes the batch durable.
TEST(Platform, UnsyncedWritesAreAsAtomicAndSyncOnceAfterwards)
{
    TempDir dir;
    const std::string path = dir.file("swath_00000.bin");
    EXPECT_EQ(vexa::WriteFileAtomic(path, "first", vexa::FileSync::Later), "");
    chmod(path.c_str(), 0640);
    EXPECT_EQ(vexa::WriteFileAtomic(path, std::string("second\0x", 8), vexa::FileSync::Later), "");
    EXPECT_EQ(ReadFile(path), std::string("second\0x", 8));
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    EXPECT_NE(WriteIntoFullDisk(path, vexa::FileSync::Later), "");
    EXPECT_EQ(ReadFile(path), std::string("second\0x", 8));
    EXPECT_NE(vexa::WriteFileAtomic(dir.file("missing/x"), "y", vexa::FileSync::Later), "");
    fs::create_directory(dir.file("sub"));
    EXPECT_NE(vexa::WriteFileAtomic(dir.file("sub"), "y", vexa::FileSync::Later), "");
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(vexa::WriteFileAtomic(fifo, "x", vexa::FileSync::Later), "");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(ListDirectory(dir.path().string()), (std::vector<std::string>{"fifo", "sub", "swath_00000.bin"}))
        << "no temporary file left behind";

    EXPECT_EQ(vexa::SyncFileSystem(dir.path().string()), "");
    EXPECT_EQ(vexa::SyncFileSystem(path), "");
    EXPECT_EQ(vexa::SyncFileSystem(fifo), "") << "must not wait for a writer";
    EXPECT_NE(vexa::SyncFileSystem(dir.file("none")), "");
}

TEST(Platform, ReadFileBytesRefusesWhatIsNotARegularFile)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(vexa::ReadFileBytes(fifo, &error));  // must not wait for a writer
    EXPECT_NE(error, "");
    EXPECT_NE(vexa::WriteFileAtomic(fifo, "x"), "");  // nor be replaced by a file
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_FALSE(vexa::ReadFileBytes(dir.path().string()));
    EXPECT_FALSE(vexa::ReadFileBytes(dir.file("none")));
    WriteFile(dir.file("f"), "12345");
    EXPECT_FALSE(vexa::ReadFileBytes(dir.file("f"), nullptr, 4));
    EXPECT_EQ(vexa::ReadFileBytes(dir.file("f"), nullptr, 5), "12345");
}
