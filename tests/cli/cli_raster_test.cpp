#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "raster/swath_decoder.h"
#include "tests/support/test_support.h"

using vexa::test::CliPath;
using vexa::test::RunCli;
using vexa::test::ReadFile;
using vexa::test::RunCommand;
using vexa::test::TempDir;
using vexa::test::WriteFile;


TEST(CliRaster, SwathFilesAreTheStreamsAndDecode)
{
    TempDir dir;
    const std::string plt = dir.file("job.plt");
    // 100 mm along the feed, 1000 mm across: 5 swaths of 7297 rows.
    WriteFile(plt, "IN;PU0,0;PD4000,40000;PU;");
    auto r = RunCli(dir, "swaths '" + plt + "' -o '" + dir.file("out") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto header = nlohmann::json::parse(ReadFile(dir.file("out/header.json")));
    EXPECT_EQ(header["rows"], 7297);
    EXPECT_EQ(header["swaths"], 5);
    EXPECT_EQ(header["settings"]["head_mode"], 0);
    for (int n = 0; n < 5; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "out/swath_%05d.bin", n);
        const std::string bytes = ReadFile(dir.file(name));
        EXPECT_EQ(bytes.size(), header["stream_bytes"][static_cast<size_t>(n)].get<size_t>());
        std::vector<uint16_t> words;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        ASSERT_EQ(vexa::DecodeSwathStream({data, bytes.size()}, (7297 + 30) * 22, words, false), "") << n;
        EXPECT_EQ(bytes.substr(0, 2), std::string(2, '\0')) << "every swath starts with its blank records";
    }
    EXPECT_EQ(vexa::test::ListDirectory(dir.file("out")),
              (std::vector<std::string>{"header.json", "swath_00000.bin", "swath_00001.bin", "swath_00002.bin",
                                        "swath_00003.bin", "swath_00004.bin"}));

    // A swath that cannot be written stops the command before the header,
    // leaving no temporary file.
    std::filesystem::create_directories(dir.file("blocked/swath_00002.bin"));
    r = RunCli(dir, "swaths '" + plt + "' -o '" + dir.file("blocked") + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_EQ(vexa::test::ListDirectory(dir.file("blocked")),
              (std::vector<std::string>{"swath_00000.bin", "swath_00001.bin", "swath_00002.bin"}));

    // The machine's length bounds the job: refused with the width message, nothing written.
    r = RunCli(dir, "swaths '" + plt + "' --machine-length 500 -o '" + dir.file("narrow") + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("超出机器幅宽"), std::string::npos) << r.err;
    // A start position beyond the job's length is refused too.
    r = RunCli(dir, "swaths '" + plt + "' --start-at 100 -o '" + dir.file("late") + "'");
    EXPECT_NE(r.status, 0);
}

TEST(CliRaster, RenderDrawsThePrintedDots)
{
    TempDir dir;
    const std::string plt = dir.file("job.plt");
    WriteFile(plt, "IN;PU0,0;PD400,0,400,400,0,400,0,0;PU;");  // 10 mm: 120 dots + 2
    auto r = RunCli(dir, "render '" + plt + "' -o '" + dir.file("job.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 swaths of"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(dir.file("job.png")).substr(1, 3), "PNG");
    r = RunCli(dir, "render '" + plt + "' --scale 4 --head-mode 1 -o '" + dir.file("small.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 swaths of"), std::string::npos) << "120 dots + 2 in one 150-dot swath: " << r.out;
}
