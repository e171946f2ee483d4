// vexagrid-cli print on the simulated plotter.
#include <chrono>
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using vexa::test::ReadFile;
using vexa::test::RunCli;
using vexa::test::RunCommand;
using vexa::test::TempDir;

// The designed waits pace a real plotter; a simulated one may skip them, and
// what it prints of a marker metres long is what render draws.
TEST(CliPrint, TimeScaleZeroPrintsAMarkerMetresLongInSeconds)
{
    TempDir dir;
    const std::string plt = dir.file("marker.plt");
    ASSERT_EQ(RunCommand(std::string(VEXA_BINARY_DIR "/tools/vexagrid-genmarker '") + plt +
                         "' --length-mm 3000 --width-mm 1000")
                  .status,
              0);
    const auto start = std::chrono::steady_clock::now();
    auto r = RunCli(dir, "print '" + plt + "' --sim --time-scale 0 --out '" + dir.path().string() + "'");
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(r.status, 0) << r.err;
    // At full time a swath costs 1.1 s of waits: about two minutes for this one.
    EXPECT_LT(took, std::chrono::seconds(60));
    r = RunCli(dir, "render '" + plt + "' -o '" + dir.file("render.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string printed = ReadFile(dir.file("job-0001.png"));
    EXPECT_FALSE(printed.empty());
    EXPECT_TRUE(printed == ReadFile(dir.file("render.png"))) << "the printed image differs from render's";
}

TEST(CliPrint, TimeScaleIsRefusedWithARealController)
{
    TempDir dir;
    for (const std::string link : {"--tcp 127.0.0.1:9", "--usb"}) {
        const auto r = RunCli(dir, "print x.plt " + link + " --time-scale 0");
        EXPECT_EQ(r.status, 1) << link;
        EXPECT_NE(r.err.find("--time-scale works only with --sim"), std::string::npos) << r.err;
        const auto s = RunCli(dir, "serve " + link + " --time-scale 1");
        EXPECT_EQ(s.status, 1) << link;
    }
    EXPECT_NE(RunCli(dir, "print x.plt --sim --time-scale -1").status, 0);
}
