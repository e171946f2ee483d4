// Swath builders of their own (the printed-dots view's, the command-line
// tool's) running while the plot thread prints through its static buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/settings.h"
#include "device/plot_job.h"
#include "raster/printed_image.h"
#include "raster/swath_builder.h"
#include "tests/e2e/rig.h"

using vexa::CSwathBuilder;
using vexa::CSwathJob;
using vexa::test::Rig;

namespace {
using Bytes = std::vector<uint8_t>;

std::shared_ptr<const CSwathJob> Prepare(const std::string& file, const vexa::SwathSettings& settings)
{
    HpglImport imported = ImportHpglFile(file);
    EXPECT_TRUE(imported.page) << imported.error;
    if (!imported.page)
        return nullptr;
    std::string message;
    auto job = CSwathJob::Prepare(*imported.page, settings, message);
    EXPECT_TRUE(job) << message;
    return job;
}


// Builds the swaths of its jobs over and over on a thread of its own,
// comparing each stream with the one built alone, until told to stop after
// a whole round.
class BuilderThread {
public:
    explicit BuilderThread(std::vector<std::shared_ptr<const CSwathJob>> jobs) : m_jobs(std::move(jobs))
    {
        for (const auto& job : m_jobs)
            m_expected.push_back(vexa::test::BuilderStreams(job));
        m_thread = std::thread([this] { Run(); });
    }
    ~BuilderThread() { Stop(); }

    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int Rounds() const { return m_rounds; }
    // After Stop: the first stream that differed, or empty.
    const std::string& Mismatch() const { return m_mismatch; }

private:
    void Run()
    {
        std::vector<std::unique_ptr<CSwathBuilder>> builders;
        for (const auto& job : m_jobs)
            builders.push_back(std::make_unique<CSwathBuilder>(job));
        while (!m_stop) {
            for (size_t j = 0; j < m_jobs.size(); ++j) {
                for (int n = 0; n < m_jobs[j]->SwathCount(); ++n) {
                    builders[j]->Build(n);
                    const std::span<const uint8_t> s = builders[j]->Compress();
                    const Bytes& want = m_expected[j][static_cast<size_t>(n)];
                    if (!std::equal(s.begin(), s.end(), want.begin(), want.end()) && m_mismatch.empty())
                        m_mismatch = "job " + std::to_string(j) + " swath " + std::to_string(n) + " round "
                                     + std::to_string(m_rounds.load());
                }
            }
            ++m_rounds;
        }
    }

    std::vector<std::shared_ptr<const CSwathJob>> m_jobs;
    std::vector<std::vector<Bytes>> m_expected;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_rounds{0};
    std::string m_mismatch;  // written by the thread only
    std::thread m_thread;
};
}  // namespace

TEST(EndToEnd, BuildersOfTheirOwnRunWhileAJobPrintsAndBothStayExact)
{
    Rig rig;
    const std::string printedFile = VEXA_SOURCE_DIR "/examples/two_frames.plt";
    // The job to print, as the job start will prepare it with these settings.
    const auto printedJob = Prepare(printedFile, vexa::SwathSettings::Current());
    // Another job with other settings, as a view of it would build it.
    vexa::SwathSettings other = vexa::SwathSettings::Current();
    other.headMode = 1;
    other.lineWidth = 3;
    other.autoClean = 1;
    const auto viewJob = Prepare(VEXA_SOURCE_DIR "/examples/small_labels.plt", other);
    ASSERT_TRUE(printedJob && viewJob);
    const int count = printedJob->SwathCount();
    ASSERT_GT(count, 10);

    HpglImport imported = ImportHpglFile(printedFile);
    ASSERT_TRUE(imported.page);
    rig.doc.AddPage(std::move(imported.page));
    // The controller holds the job halfway until the builders have done a
    // whole round, so that they surely build while it is in progress.
    const int holdAt = count / 2;
    rig.sim.SetNotYetAt(holdAt, 1 << 30);

    BuilderThread builders({viewJob, printedJob});
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return g_currentSwath == holdAt; }));
    const int rounds = builders.Rounds();
    ASSERT_TRUE(rig.RunUntil([&] { return builders.Rounds() > rounds + 1; }, 120000));
    EXPECT_TRUE(PlotThreadRunning());
    EXPECT_EQ(g_currentSwath, holdAt);
    rig.sim.ClearFaults();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    builders.Stop();
    EXPECT_EQ(builders.Mismatch(), "");
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    rig.Stop();

    // What the controller received is the stream built alone, then zero
    // padding, and prints the dots the builder reads back from it.
    const auto printed = rig.sim.Jobs().at(0);
    EXPECT_EQ(printed->result, vexa::sim::JobResult::Done);
    ASSERT_EQ(printed->swathCount, count);
    ASSERT_EQ(printed->rows, printedJob->Rows());
    const std::vector<Bytes> expected = vexa::test::BuilderStreams(printedJob);
    CSwathBuilder builder(printedJob);
    for (int n = 0; n < count; ++n) {
        const Bytes& got = printed->streams[static_cast<size_t>(n)];
        const Bytes& want = expected[static_cast<size_t>(n)];
        ASSERT_GE(got.size(), want.size()) << n;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin())) << "swath " << n;
        EXPECT_TRUE(std::all_of(got.begin() + static_cast<std::ptrdiff_t>(want.size()), got.end(),
                                [](uint8_t b) { return b == 0; }))
            << "swath " << n;
        ASSERT_EQ(builder.BuildPrinted(n), "");
        EXPECT_EQ(printed->Swath(n).dots, builder.Printed().dots) << "swath " << n;
    }
}

TEST(EndToEnd, APictureOfPrintedDotsBuiltOnSeveralThreadsIsTheOneBuiltOnOne)
{
    vexa::SwathSettings settings = vexa::SwathSettings::Current();
    settings.lineWidth = 3;
    const auto job = Prepare(VEXA_SOURCE_DIR "/examples/small_labels.plt", settings);
    ASSERT_TRUE(job);
    // Scaled down by 3, neighbouring swaths share pixels as well as words.
    auto picture = [&](int threads) {
        auto image = std::make_unique<vexa::PrintedImage>(job->Rows(), job->SwathCount(), job->SwathWidth(), 3);
        const vexa::SwathFailure failure = vexa::ForEachSwath(job, threads, [&](CSwathBuilder& builder, int n) {
            std::string error = builder.BuildPrinted(n);
            if (error.empty())
                image->AddSwath(n, builder.Printed());
            return error;
        });
        EXPECT_EQ(failure.swath, -1) << failure.message;
        return image;
    };
    const auto one = picture(1);
    const auto three = picture(3);
    ASSERT_GT(one->InkCount(), 1000u);
    ASSERT_EQ(three->InkCount(), one->InkCount());
    for (uint32_t y = 0; y < one->Height(); ++y)
        for (uint32_t x = 0; x < one->Width(); ++x)
            ASSERT_EQ(three->Ink(x, y), one->Ink(x, y)) << x << "," << y;
}
