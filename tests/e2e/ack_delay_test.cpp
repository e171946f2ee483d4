// A controller that drains its buffer slowly: every acknowledgement of swath
// data comes 2 s late, past the 1 s a reply may take.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

#include "device/link_state.h"
#include "device/plot_job.h"
#include "raster/swath_build.h"
#include "raster/swath_geometry.h"
#include "sim/sim_faults.h"
#include "tests/e2e/rig.h"

using vexa::test::Rig;

TEST(EndToEnd, SlowAcknowledgementsPrintTheJobWholeAndEachSwathOnce)
{
    Rig rig;
    // Two swaths, the first of two chunks: a failure would come mid-swath.
    auto job = rig.Job("IN;PU0,0;PD1400,0;PU0,0;PD0,400,200,400,200,0;PU;");
    COnePage reference;
    reference.CopyFrom(*job);
    rig.doc.AddPage(std::move(job));
    vexa::sim::ReplyFault slow;
    slow.kind = vexa::sim::FaultKind::Delay;
    slow.code = vexa::sim::ACK_CODE;
    slow.times = 0;  // every one
    slow.ms = 2000;
    rig.sim.AddFault(slow);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }, 30000));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    rig.Stop();

    const auto printed = rig.sim.Jobs().at(0);
    EXPECT_EQ(printed->result, vexa::sim::JobResult::Done) << printed->reason;
    std::map<int, int> received;  // swath: times its data arrived whole
    int mostChunks = 0;
    for (const std::string& line : rig.sim.Log()) {
        const auto j = nlohmann::json::parse(line);
        const std::string event = j.value("event", "");
        EXPECT_NE(event, "swath-data-abandoned") << line;
        if (event == "swath-data") {
            ++received[j["swath"].get<int>()];
            mostChunks = std::max(mostChunks, j["chunks"].get<int>());
        }
    }
    ASSERT_EQ(printed->swathCount, 2);
    EXPECT_GT(mostChunks, 1) << "no swath took more than one chunk";
    ASSERT_EQ(static_cast<int>(received.size()), printed->swathCount);
    for (const auto& [swath, times] : received)
        EXPECT_EQ(times, 1) << "swath " << swath;

    // What arrived is what the engine builds, then zero padding.
    std::string message;
    ASSERT_EQ(PreparePlotJob(reference, message), printed->swathCount) << message;
    for (int n = 0; n < printed->swathCount; ++n) {
        BuildSwath(n);
        CompressSwath();
        const auto* stream = reinterpret_cast<const uint8_t*>(g_swathStream);
        const std::vector<uint8_t> expected(stream, stream + g_swathStreamBytes);
        const std::vector<uint8_t>& got = printed->streams.at(static_cast<size_t>(n));
        ASSERT_GE(got.size(), expected.size()) << "swath " << n;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin())) << "swath " << n;
        EXPECT_TRUE(std::all_of(got.begin() + static_cast<long>(expected.size()), got.end(),
                                [](uint8_t b) { return b == 0; }));
    }
}
