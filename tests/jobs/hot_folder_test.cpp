#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "app/hot_folder.h"
#include "app/settings.h"
#include "app/time_scale.h"
#include "model/one_page.h"
#include "tests/support/test_support.h"

namespace {
using vexa::CHotFolder;
using Jobs = std::vector<std::unique_ptr<COnePage>>;
using Events = std::vector<CHotFolder::Event>;

// With the waits scaled to nothing, a file counts as settled when it is
// unchanged from one scan to the next.
struct Folder {
    Folder() { vexa::SetTimeScale(0); }
    ~Folder() { vexa::SetTimeScale(0.001); }
    vexa::test::TempDir dir;
    std::string path = dir.path().string() + "/";
    CHotFolder hot;

    std::string Put(const std::string& name, const std::string& bytes)
    {
        vexa::test::WriteFile(path + name, bytes);
        return path + name;
    }
    // Two scans: the first sees a file, the second takes it once it has settled.
    Jobs ScanTwice(Events& events)
    {
        Jobs jobs;
        hot.Scan(path, jobs, events);
        hot.Scan(path, jobs, events);
        return jobs;
    }
    bool Exists(const std::string& name) const { return access((path + name).c_str(), F_OK) == 0; }
};

const std::string kSquare = "IN;PU0,0;PD400,0,400,400,0,400,0,0;PU;";
}  // namespace

TEST(HotFolder, SettledFilesBecomeJobsAndAreDeleted)
{
    Folder f;
    g_settings.m_autoStart = 1;
    f.Put("b.plt", kSquare);
    f.Put("a.plt", kSquare);
    f.Put(".partial.plt", kSquare);
    mkdir((f.path + "sub").c_str(), 0777);
    Events events;
    Jobs jobs;
    f.hot.Scan(f.path, jobs, events);
    EXPECT_TRUE(jobs.empty()) << "a file seen for the first time has not settled";
    f.hot.Scan(f.path, jobs, events);
    ASSERT_EQ(jobs.size(), 2u) << "several files in one scan";
    EXPECT_EQ(jobs[0]->m_fileName, "a.plt");
    EXPECT_EQ(jobs[0]->m_autoState, AUTO_STATE_YES);
    EXPECT_EQ(jobs[0]->m_copies, 1);
    EXPECT_FALSE(f.Exists("a.plt"));
    EXPECT_TRUE(f.Exists(".partial.plt")) << "hidden files are a writer's own";
    EXPECT_TRUE(f.Exists("sub"));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, CHotFolder::Event::IMPORTED);
}

TEST(HotFolder, AFileStillBeingWrittenWaits)
{
    Folder f;
    const std::string path = f.Put("slow.plt", "IN;PU0,0;PD400,0,");
    Events events;
    Jobs jobs;
    // The writer adds a little between every two scans.
    for (int k = 0; k < 5; ++k) {
        f.hot.Scan(f.path, jobs, events);
        vexa::test::WriteFile(path, "IN;PU0,0;PD400,0," + std::string(static_cast<size_t>(k + 1) * 10, ' '));
    }
    vexa::test::WriteFile(path, "IN;PU0,0;PD400,0,400,400;PU;" + std::string(60, ' '));
    f.hot.Scan(f.path, jobs, events);
    EXPECT_TRUE(jobs.empty());
    EXPECT_TRUE(events.empty()) << "nothing rejected while it grows";
    f.hot.Scan(f.path, jobs, events);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0]->m_maxY, 400) << "the whole file";
}

TEST(HotFolder, FilesThatCannotBeJobsMoveToRejected)
{
    Folder f;
    f.Put("tiny.plt", "PU0,0;PD1;");                       // 9 bytes
    f.Put("notes.txt", "Dear operator, please cut this.");  // parses, draws nothing
    f.Put("odd.plt", "IN;PU0,0;PD1,2,3;");                 // invalid argument
    f.Put("df.plt", "IN;DF5;PU0,0;PD1,1;");                // number after DF
    f.Put("line.plt", "IN;PU100,0;PD100,400;");            // no extent along X
    f.Put("dots.plt", "IN;PU5,5;PD5,5;PU7,7;PD7,7;");      // nothing left after normalising
    Events events;
    const Jobs jobs = f.ScanTwice(events);
    EXPECT_TRUE(jobs.empty());
    ASSERT_EQ(events.size(), 6u);
    for (const auto& e : events) {
        EXPECT_EQ(e.kind, CHotFolder::Event::REJECTED) << e.file;
        EXPECT_FALSE(f.Exists(e.file)) << e.file;
        EXPECT_TRUE(f.Exists("rejected/" + e.file)) << e.file;
    }
    // A second file of a rejected name keeps the first.
    f.Put("tiny.plt", "PU0,0;PD1;");
    events.clear();
    f.ScanTwice(events);
    EXPECT_TRUE(f.Exists("rejected/tiny.plt.1"));
}

TEST(HotFolder, ADirectoryGoneOrUnreadableIsNoError)
{
    Jobs jobs;
    Events events;
    CHotFolder hot;
    hot.Scan("/nonexistent-folder/", jobs, events);
    EXPECT_TRUE(jobs.empty());
    EXPECT_TRUE(events.empty());
}

TEST(HotFolder, AFileTouchedWithinTheQuietPeriodWaits)
{
    Folder f;
    vexa::SetTimeScale(1);  // a quiet period of 2 s
    const std::string path = f.Put("fresh.plt", kSquare);
    Events events;
    EXPECT_TRUE(f.ScanTwice(events).empty()) << "written just now";
    // The same file, last written a minute ago.
    timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 60, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(f.ScanTwice(events).size(), 1u);
}
