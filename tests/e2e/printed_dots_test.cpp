// The printed-dots view's tiles against what the simulated controller prints.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "raster/printed_dots.h"
#include "tests/e2e/rig.h"

using vexa::CPrintedDots;
using vexa::DotTile;
using vexa::test::Rig;

namespace {
// Counts the notifications of a CPrintedDots and waits for a condition.
struct Waiter {
    std::mutex mutex;
    std::condition_variable changed;
    int notified = 0;

    std::function<void()> Notify()
    {
        return [this] {
            std::lock_guard lock(mutex);
            ++notified;
            changed.notify_all();
        };
    }
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        // done() runs under the lock, so that no notification slips in
        // between it and the wait (the builders notify without their own lock).
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    }
};

bool AllReady(const CPrintedDots& dots)
{
    int ready = 0, asked = 0;
    dots.Progress(ready, asked);
    return asked > 0 && ready == asked;
}

// The settings the view and the job start both read, put back afterwards.
struct SettingsBack {
    int headMode = g_settings.m_headMode, lineWidth = g_settings.m_lineWidth, autoClean = g_settings.m_autoClean,
        xScale = g_settings.m_xScale, overlap = g_settings.m_headOverlap;
    ~SettingsBack()
    {
        g_settings.m_headMode = headMode;
        g_settings.m_lineWidth = lineWidth;
        g_settings.m_autoClean = autoClean;
        g_settings.m_xScale = xScale;
        g_settings.m_headOverlap = overlap;
    }
};
}  // namespace

// With a purge pattern, a start position, a scale correction, a wide line
// and an overlap, every tile at full resolution holds exactly the dots the
// controller printed, and a reduced tile is their reduction.
TEST(EndToEnd, PrintedDotsViewEqualsWhatTheControllerPrints)
{
    SettingsBack back;
    Rig rig;
    // The machine's own settings, which the program reads when it connects.
    ParamBlock block = rig.sim.Block();
    block.autoClean = 1;
    block.lineWidth = 2;
    block.headOverlap = 7;
    block.xScale = static_cast<uint16_t>(block.xScale + 5);
    rig.sim.SetBlock(block);
    HpglImport imported = ImportHpglFile(VEXA_SOURCE_DIR "/examples/small_labels.plt");
    ASSERT_TRUE(imported.page);
    imported.page->m_startAt = 5;
    COnePage shown;
    shown.CopyFrom(*imported.page);

    rig.doc.AddPage(std::move(imported.page));
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    rig.Stop();
    const auto printed = rig.sim.Jobs().at(0);
    ASSERT_EQ(printed->result, vexa::sim::JobResult::Done);
    const vexa::SwathSettings settings = vexa::SwathSettings::Current();
    ASSERT_EQ(settings.autoClean, 1);
    ASSERT_EQ(settings.lineWidth, 2);
    ASSERT_EQ(settings.headOverlap, 7);
    ASSERT_NE(settings.xScale, 10000);

    // The view of the job as the list showed it, with the settings it printed with.
    Waiter waiter;
    CPrintedDots view(waiter.Notify(), 2);
    view.SetJob(shown, settings);
    view.Request(0, 1 << 30, 0);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));
    const auto job = view.Job();
    ASSERT_TRUE(job);
    ASSERT_EQ(job->SwathCount(), printed->swathCount);
    ASSERT_EQ(job->Rows(), printed->rows);
    size_t ink = 0;
    for (int n = 0; n < job->SwathCount(); ++n) {
        const auto tile = view.Tile(n, 0);
        ASSERT_TRUE(tile) << n;
        const vexa::PrintedSwath want = printed->Swath(n);
        ASSERT_EQ(tile->width, want.width);
        ASSERT_EQ(tile->height, want.rows);
        for (int y = 0; y < want.rows; ++y)
            for (int x = 0; x < want.width; ++x) {
                ASSERT_EQ(tile->Ink(x, y), want.At(x, y)) << "swath " << n << " dot " << x << "," << y;
                ink += want.At(x, y);
            }
    }
    EXPECT_GT(ink, 10000u);

    // Reduced 8 times each way: a pixel is inked when a dot of its block is.
    view.Request(0, job->SwathCount() - 1, 3);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));
    for (int n = 0; n < job->SwathCount(); n += 3) {
        const auto tile = view.Tile(n, 3);
        ASSERT_TRUE(tile);
        const vexa::PrintedSwath want = printed->Swath(n);
        ASSERT_EQ(tile->width, (want.width + 7) / 8);
        ASSERT_EQ(tile->height, (want.rows + 7) / 8);
        for (int py = 0; py < tile->height; ++py)
            for (int px = 0; px < tile->width; ++px) {
                bool any = false;
                for (int y = py * 8; y < std::min(py * 8 + 8, want.rows) && !any; ++y)
                    for (int x = px * 8; x < std::min(px * 8 + 8, want.width) && !any; ++x)
                        any = want.At(x, y);
                ASSERT_EQ(tile->Ink(px, py), any) << "swath " << n << " pixel " << px << "," << py;
            }
    }
}

// Tiles are kept while the job and settings stay, dropped when either
// changes; a job the start would refuse says why; the cache keeps to its
// size; a view destroyed mid-build does not wait for the whole job.
TEST(EndToEnd, PrintedDotsFollowTheJobAndTheSettings)
{
    SettingsBack back;
    g_settings.m_autoClean = 0;
    HpglImport imported = ImportHpglFile(VEXA_SOURCE_DIR "/examples/two_frames.plt");
    ASSERT_TRUE(imported.page);
    COnePage& page = *imported.page;
    const vexa::SwathSettings settings = vexa::SwathSettings::Current();

    Waiter waiter;
    // Room for about four full-resolution tiles.
    CPrintedDots view(waiter.Notify(), 2, 4 * 300 * 1000 / 8);
    view.SetJob(page, settings);
    view.Request(0, 3, 0);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));
    const auto kept = view.Tile(2, 0);
    ASSERT_TRUE(kept);

    // The same job and settings again (as a list refresh does): nothing rebuilt.
    view.SetJob(page, settings);
    EXPECT_EQ(view.Tile(2, 0), kept);
    EXPECT_FALSE(view.Preparing());

    // The other language: the refusal a job may get is said anew.
    vexa::SwathSettings otherLanguage = settings;
    otherLanguage.language = 1 - settings.language;
    view.SetJob(page, otherLanguage);
    EXPECT_EQ(view.Tile(2, 0), nullptr);

    // One point moved: built anew.
    page.m_curves.front()->m_points.front().x += 40;
    view.SetJob(page, settings);
    EXPECT_EQ(view.Tile(2, 0), nullptr);
    view.Request(0, 3, 0);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));

    // Another head mode: built anew, and each swath narrower.
    vexa::SwathSettings one = settings;
    one.headMode = 1;
    view.SetJob(page, one);
    EXPECT_EQ(view.Tile(2, 0), nullptr);
    view.Request(0, 7, 0);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));
    EXPECT_EQ(view.Tile(7, 0)->width, 150);
    // The view moves on: the oldest tiles go to keep the cache within its size.
    view.Request(8, 11, 0);
    ASSERT_TRUE(waiter.WaitFor([&] { return AllReady(view); }));
    EXPECT_EQ(view.Tile(0, 0), nullptr);
    for (int n = 8; n <= 11; ++n)
        EXPECT_NE(view.Tile(n, 0), nullptr) << n;

    // A machine too short for the job: nothing to build, and why.
    vexa::SwathSettings tooShort = settings;
    tooShort.machineLength = 100;
    view.SetJob(page, tooShort);
    ASSERT_TRUE(waiter.WaitFor([&] { return !view.Preparing(); }));
    EXPECT_EQ(view.Job(), nullptr);
    EXPECT_NE(view.Refusal(), "");

    // Asked for again and again while it builds (as every redraw asks): each
    // swath is built once.
    {
        Waiter again;
        CPrintedDots dots(again.Notify(), 2);
        dots.SetJob(page, settings);
        dots.Request(0, 1 << 30, 0);
        ASSERT_TRUE(again.WaitFor([&] {
            dots.Request(0, 1 << 30, 0);
            return AllReady(dots);
        }));
        EXPECT_EQ(dots.Builds(), dots.Job()->SwathCount());
    }

    // Asked for everything, then destroyed at once.
    {
        CPrintedDots busy(nullptr, 2);
        busy.SetJob(page, settings);
        busy.Request(0, 1 << 30, 0);
    }
}
