#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <vector>

#include "app/settings.h"
#include "model/one_page.h"
#include "raster/swath_builder.h"
#include "tests/support/test_support.h"

using vexa::CSwathBuilder;
using vexa::CSwathJob;
using vexa::SwathSettings;

namespace {
using Bytes = std::vector<uint8_t>;

// Settings for one test, g_settings restored afterwards.
class SwathBuilderTest : public ::testing::Test {
protected:
    void SetUp() override { m_saved = SwathSettings::Current(); }
    void TearDown() override
    {
        Apply(m_saved);
        g_plotPage.RemoveAllCurves();
        ClearSwathBuffers();
    }
    static void Apply(const SwathSettings& s)
    {
        g_settings.m_headMode = s.headMode;
        g_settings.m_headOverlap = s.headOverlap;
        g_settings.m_head2Position = s.head2Position;
        g_settings.m_lineWidth = s.lineWidth;
        g_settings.m_resolution = s.resolution;
        g_settings.m_cartridge1OnRight = s.cartridge1OnRight;
        g_settings.m_xScale = s.xScale;
        g_settings.m_yScale = s.yScale;
        g_settings.m_autoClean = s.autoClean;
        g_settings.m_machineLength = s.machineLength;
        g_settings.m_idleDistance = s.idleDistance;
        g_settings.m_startOffset = s.startOffset;
        g_settings.m_language = s.language;
    }
    static std::unique_ptr<COnePage> Job(std::mt19937& rng, int curves, int length)
    {
        auto job = std::make_unique<COnePage>();
        for (int c = 0; c < curves; ++c) {
            auto curve = std::make_unique<CCurve>();
            CPoint p{static_cast<int>(rng() % static_cast<unsigned>(length)), static_cast<int>(rng() % 2000)};
            for (int k = 0; k < 2 + static_cast<int>(rng() % 30); ++k) {
                curve->m_points.push_back(p);
                p.x = std::max(0, p.x + static_cast<int>(rng() % 801) - 300);
                p.y = std::max(0, p.y + static_cast<int>(rng() % 401) - 200);
            }
            job->AddCurve(std::move(curve));
        }
        auto line = std::make_unique<CCurve>();  // through every swath
        line->m_points = {{0, 0}, {length, 3}};
        job->AddCurve(std::move(line));
        job->ComputeExtents();
        return job;
    }
    // The plot thread's streams of the job with the current g_settings.
    static std::vector<Bytes> PlotThreadStreams(const COnePage& job)
    {
        std::string message;
        const int swaths = PreparePlotJob(job, message);
        EXPECT_EQ(message, "");
        std::vector<Bytes> streams;
        for (int n = 0; n < swaths; ++n) {
            BuildSwath(n);
            CompressSwath();
            const auto* b = reinterpret_cast<const uint8_t*>(g_swathStream);
            streams.emplace_back(b, b + g_swathStreamBytes);
        }
        return streams;
    }

private:
    SwathSettings m_saved;
};
}  // namespace

TEST_F(SwathBuilderTest, StreamsEqualThePlotThreadsAndKeepTheSettingsOfTheirPreparation)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        SwathSettings s;
        s.headMode = round % 3;
        s.headOverlap = static_cast<int>(rng() % 4);
        s.head2Position = 100 + static_cast<int>(rng() % 100);
        s.lineWidth = round % 4 == 3 ? 3 : (round % 5 == 4 ? 0 : 1);
        s.resolution = round % 2;
        s.cartridge1OnRight = static_cast<int>(rng() % 2);
        s.xScale = 9990 + static_cast<int>(rng() % 20);
        s.yScale = 9990 + static_cast<int>(rng() % 20);
        s.autoClean = round % 4 == 1;
        Apply(s);
        auto job = Job(rng, 12, 6000);
        job->m_startAt = round % 3 == 2 ? 20 : 0;
        const std::vector<Bytes> expected = PlotThreadStreams(*job);
        ASSERT_GT(expected.size(), 1u);

        std::string message = "stale";
        const auto prepared = CSwathJob::Prepare(*job, SwathSettings::Current(), message);
        ASSERT_TRUE(prepared) << message;
        EXPECT_EQ(message, "");
        EXPECT_EQ(prepared->Rows(), g_swathRows.load());
        EXPECT_EQ(prepared->SwathWidth(), SwathWidth());
        EXPECT_EQ(vexa::test::BuilderStreams(prepared), expected) << "round " << round;

        // The machine's settings change; a prepared job keeps its own.
        s.headMode = (s.headMode + 1) % 3;
        s.lineWidth += 2;
        s.head2Position += 7;
        s.autoClean = !s.autoClean;
        Apply(s);
        EXPECT_EQ(vexa::test::BuilderStreams(prepared), expected) << "round " << round;

        // The printed dots are the decoded stream.
        CSwathBuilder builder(prepared);
        const int n = static_cast<int>(rng() % expected.size());
        ASSERT_EQ(builder.BuildPrinted(n), "");
        std::vector<uint16_t> words;
        ASSERT_EQ(vexa::DecodeSwathStream(expected[static_cast<size_t>(n)], prepared->WordsPerSwath(), words), "");
        const vexa::PrintedSwath dots = vexa::PrintedDots(words, prepared->Rows(), prepared->Layout());
        EXPECT_EQ(builder.Printed().width, dots.width);
        EXPECT_EQ(builder.Printed().dots, dots.dots);
        EXPECT_EQ(Bytes(builder.Stream().begin(), builder.Stream().end()), expected[static_cast<size_t>(n)]);
    }
}

TEST_F(SwathBuilderTest, RefusedBlankAndMissingJobs)
{
    // Refused with the job start's message, in the language of the settings.
    auto wide = std::make_unique<COnePage>();
    auto line = std::make_unique<CCurve>();
    line->m_points = {{0, 0}, {400, 120000}};  // 3 m across
    wide->AddCurve(std::move(line));
    wide->ComputeExtents();
    SwathSettings s = SwathSettings::Current();
    s.language = 1;
    std::string message;
    EXPECT_FALSE(CSwathJob::Prepare(*wide, s, message));
    EXPECT_NE(message.find("the machine allows"), std::string::npos) << message;
    std::string plotMessage;
    g_settings.m_language = 1;
    EXPECT_EQ(PreparePlotJob(*wide, plotMessage), -1);
    EXPECT_EQ(message, plotMessage);

    // A page at the origin only has no swaths and no rows.
    COnePage blank;
    auto dot = std::make_unique<CCurve>();
    dot->m_points = {{0, 0}, {0, 0}};
    blank.AddCurve(std::move(dot));
    blank.ComputeExtents();
    const auto none = CSwathJob::Prepare(blank, SwathSettings::Current(), message);
    ASSERT_TRUE(none) << message;
    EXPECT_EQ(none->SwathCount(), 0);
    EXPECT_EQ(none->Rows(), 0);

    // A builder without a job builds nothing, and after one it starts clean.
    CSwathBuilder builder;
    builder.Build(0);
    EXPECT_TRUE(builder.Compress().empty());
    EXPECT_NE(builder.BuildPrinted(0), "");
    std::mt19937 rng(3);
    const auto job = CSwathJob::Prepare(*Job(rng, 4, 2000), SwathSettings::Current(), message);
    ASSERT_TRUE(job) << message;
    builder.SetJob(job);
    EXPECT_EQ(builder.BuildPrinted(1), "");
    EXPECT_GT(builder.Stream().size(), 4u);
}

TEST_F(SwathBuilderTest, ForEachSwathRunsEverySwathOnceAndStopsAtTheFirstFailure)
{
    std::mt19937 rng(11);
    std::string message;
    const auto job = CSwathJob::Prepare(*Job(rng, 40, 30000), SwathSettings::Current(), message);
    ASSERT_TRUE(job) << message;
    const int count = job->SwathCount();
    ASSERT_GT(count, 20);
    const std::vector<Bytes> expected = vexa::test::BuilderStreams(job);

    for (int threads : {1, 3}) {
        std::vector<Bytes> streams(static_cast<size_t>(count));
        std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
        const vexa::SwathFailure none = vexa::ForEachSwath(job, threads, [&](CSwathBuilder& b, int n) {
            b.Build(n);
            const std::span<const uint8_t> s = b.Compress();
            streams[static_cast<size_t>(n)].assign(s.begin(), s.end());
            ++runs[static_cast<size_t>(n)];
            return std::string();
        });
        EXPECT_EQ(none.swath, -1);
        EXPECT_EQ(streams, expected) << threads << " threads";
        for (int n = 0; n < count; ++n)
            EXPECT_EQ(runs[static_cast<size_t>(n)], 1) << n;

        // Swaths 9 and 14 fail (14 by throwing, perhaps first): 9 is the one
        // reported, every swath before it has run, none twice, and on one
        // thread none after it.
        for (auto& r : runs)
            r = 0;
        const vexa::SwathFailure failure = vexa::ForEachSwath(job, threads, [&](CSwathBuilder&, int n) {
            ++runs[static_cast<size_t>(n)];
            if (n == 14)
                throw std::runtime_error("thrown at 14");
            return n == 9 ? std::string("failed at 9") : std::string();
        });
        EXPECT_EQ(failure.swath, 9) << threads << " threads";
        EXPECT_EQ(failure.message, "failed at 9");
        for (int n = 0; n < count; ++n) {
            const int ran = runs[static_cast<size_t>(n)];
            EXPECT_LE(ran, 1) << n;
            if (n <= 9) {
                EXPECT_EQ(ran, 1) << n;
            } else if (threads == 1) {
                EXPECT_EQ(ran, 0) << n;
            }
        }
    }
    const vexa::SwathFailure thrown = vexa::ForEachSwath(job, 2, [](CSwathBuilder&, int n) -> std::string {
        if (n == 0)
            throw std::runtime_error("thrown at 0");
        return {};
    });
    EXPECT_EQ(thrown.swath, 0);
    EXPECT_EQ(thrown.message, "thrown at 0");
}
