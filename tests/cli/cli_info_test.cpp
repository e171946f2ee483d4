#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "tests/support/test_support.h"

using vexa::test::CliPath;
using vexa::test::RunCommand;
using vexa::test::TempDir;
using vexa::test::WriteFile;

TEST(CliInfo, ReportsCountsAndExtents)
{
    TempDir dir;
    const std::string plt = dir.file("square.plt");
    WriteFile(plt, "IN;SP1;PU0,0;PD400,0,400,400;PU;PU800,40;PD1200,40;LB \x03SP0;");
    auto r = RunCommand(CliPath() + " info '" + plt + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 curves, 5 points, 1 labels (0 strokes)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("X 0 .. 1200, Y 0 .. 400 plotter units"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(30 mm x 10 mm)"), std::string::npos) << r.out;

    r = RunCommand(CliPath() + " info --json '" + plt + "' '" + plt + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    int objects = 0;
    while (std::getline(lines, line)) {
        const auto j = nlohmann::json::parse(line);
        EXPECT_EQ(j["curves"], 2);
        EXPECT_EQ(j["points"], 5);
        EXPECT_EQ(j["extents"]["maxX"], 1200);
        EXPECT_EQ(j["extents_mm"]["maxY"], 10.0);
        ++objects;
    }
    EXPECT_EQ(objects, 2);
}

TEST(CliInfo, FailuresNameTheFileAndExitNonzero)
{
    TempDir dir;
    const std::string odd = dir.file("odd.plt");
    WriteFile(odd, "IN;PU0,0;PD10,20,30;");
    const std::string good = dir.file("good.plt");
    WriteFile(good, "IN;PU0,0;PD10,20;");
    const std::string tiny = dir.file("tiny.plt");
    WriteFile(tiny, "PU;");
    const std::string missing = dir.file("missing.plt");

    auto r = RunCommand(CliPath() + " info '" + odd + "' '" + good + "' '" + tiny + "' '" + missing + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("odd.plt: invalid argument"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tiny.plt: file size outside"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.plt: cannot open"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("good.plt: read 0, 2 records, 1 curves"), std::string::npos) << "the others still report";

    r = RunCommand(CliPath() + " info");
    EXPECT_NE(r.status, 0) << "no file is a usage error";
}

TEST(CliInfo, NoCommandPrintsTheHelp)
{
    TempDir dir;
    auto r = vexa::test::RunCli(dir, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Usage: vexagrid-cli"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("info"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("status"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;

    r = vexa::test::RunCli(dir, "--no-such-option");
    EXPECT_NE(r.status, 0) << "an unknown option is still an error";
    r = vexa::test::RunCli(dir, "tasks");
    EXPECT_NE(r.status, 0) << "a group without its command is still an error";
}
