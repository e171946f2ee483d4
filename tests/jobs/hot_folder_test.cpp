#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "centre/hot_folder.h"
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
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, CHotFolder::Event::SKIPPED) << "said once, at the first scan";
    EXPECT_EQ(events[0].file, ".partial.plt");
    EXPECT_EQ(events[1].kind, CHotFolder::Event::IMPORTED);
}

// Links and hidden names are left alone and said once while they stay.
TEST(HotFolder, SkippedNamesAreReportedOnce)
{
    Folder f;
    const std::string target = f.Put(".target", kSquare);
    ASSERT_EQ(symlink(target.c_str(), (f.path + "link.plt").c_str()), 0);
    Events events;
    for (int k = 0; k < 4; ++k)
        f.ScanTwice(events);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].file, ".target");
    EXPECT_EQ(events[1].file, "link.plt");
    EXPECT_EQ(events[1].kind, CHotFolder::Event::SKIPPED);
    EXPECT_TRUE(f.Exists("link.plt") && f.Exists(".target"));
    // Gone and back: said again.
    unlink((f.path + "link.plt").c_str());
    f.ScanTwice(events);
    ASSERT_EQ(symlink(target.c_str(), (f.path + "link.plt").c_str()), 0);
    f.ScanTwice(events);
    EXPECT_EQ(events.size(), 3u);
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

// Settled means unchanged for the quiet period on the monotonic clock; the
// file's own times are only compared, never read as a time.
TEST(HotFolder, QuietPeriodIsMeasuredOnTheMonotonicClock)
{
    Folder f;
    vexa::SetTimeScale(1);  // a quiet period of 2 s
    constexpr int64_t S = 1000000000;
    const std::string ahead = f.Put("ahead.plt", kSquare);
    const std::string old = f.Put("old.plt", kSquare);
    // Copied with its times from a PC whose clock runs an hour ahead, and one
    // last written a day ago.
    timespec future[2] = {{0, UTIME_OMIT}, {time(nullptr) + 3600, 0}};
    timespec past[2] = {{0, UTIME_OMIT}, {time(nullptr) - 86400, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, ahead.c_str(), future, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, old.c_str(), past, 0), 0);
    Events events;
    Jobs jobs;
    f.hot.Scan(f.path, jobs, events, 100 * S);
    f.hot.Scan(f.path, jobs, events, 101 * S);
    EXPECT_TRUE(jobs.empty()) << "an old time does not make a file settled";
    f.hot.Scan(f.path, jobs, events, 102 * S);
    ASSERT_EQ(jobs.size(), 2u) << "both, after 2 s unchanged";
    EXPECT_EQ(jobs[0]->m_fileName, "ahead.plt");

    // A change restarts the period.
    const std::string grown = f.Put("grown.plt", kSquare);
    f.hot.Scan(f.path, jobs, events, 200 * S);
    vexa::test::WriteFile(grown, kSquare + "PU;");
    f.hot.Scan(f.path, jobs, events, 203 * S);
    f.hot.Scan(f.path, jobs, events, 204 * S);
    EXPECT_EQ(jobs.size(), 2u);
    f.hot.Scan(f.path, jobs, events, 205 * S);
    EXPECT_EQ(jobs.size(), 3u);
}

// A file that failed for a reason of the program's (a font that cannot be
// read) is said once and tried again only when it changes.
TEST(HotFolder, AFailureIsReportedOncePerVersionOfTheFile)
{
    Folder f;
    const std::string font = g_settings.m_enFontPath;
    g_settings.m_enFontPath = f.path + "no-such-font.bin";
    const std::string path = f.Put("label.plt", "IN;PU0,0;PD400,0;PU;LBHELLO\x03;");
    Events events;
    Jobs jobs;
    for (int k = 0; k < 5; ++k)
        f.hot.Scan(f.path, jobs, events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, CHotFolder::Event::FAILED);
    EXPECT_TRUE(f.Exists("label.plt"));
    g_settings.m_enFontPath = font;
    f.hot.Scan(f.path, jobs, events);
    EXPECT_TRUE(jobs.empty()) << "the same file is not tried again";
    vexa::test::WriteFile(path, "IN;PU0,0;PD400,0;PU;LBHELLO\x03;PU;");
    EXPECT_EQ(f.ScanTwice(events).size(), 1u) << "changed: taken";
    EXPECT_EQ(events.size(), 2u);
}
