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

TEST(CliRaster, ThreadsChangeNothingInWhatIsWritten)
{
    TempDir dir;
    // Labels, a purge pattern and wide pens over many swaths; scaled down by 3
    // neighbouring swaths share the picture's pixels.
    const std::string plt = VEXA_SOURCE_DIR "/examples/small_labels.plt";
    const std::string options = " --auto-clean 1 --line-width 3 ";
    auto files = [&](const std::string& out) {
        std::vector<std::string> contents;
        for (const std::string& name : vexa::test::ListDirectory(dir.file(out)))
            contents.push_back(name + ":" + ReadFile(dir.file(out + "/" + name)));
        return contents;
    };
    for (int threads : {1, 2, 5}) {
        const std::string t = std::to_string(threads);
        auto r = RunCli(dir, "swaths '" + plt + "'" + options + "--threads " + t + " -o '" + dir.file("out" + t) + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        r = RunCli(dir, "render '" + plt + "'" + options + "--scale 3 --threads " + t + " -o '" + dir.file(t + ".png")
                            + "'");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const auto one = files("out1");
    ASSERT_GT(one.size(), 20u);
    EXPECT_EQ(files("out2"), one);
    EXPECT_EQ(files("out5"), one);
    EXPECT_EQ(ReadFile(dir.file("2.png")), ReadFile(dir.file("1.png")));
    EXPECT_EQ(ReadFile(dir.file("5.png")), ReadFile(dir.file("1.png")));

    // A swath that cannot be written leaves the swaths before it, as one
    // thread does, whatever the others had written meanwhile.
    std::filesystem::create_directories(dir.file("blocked/swath_00003.bin"));
    auto r = RunCli(dir, "swaths '" + plt + "' --threads 4 -o '" + dir.file("blocked") + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_EQ(vexa::test::ListDirectory(dir.file("blocked")),
              (std::vector<std::string>{"swath_00000.bin", "swath_00001.bin", "swath_00002.bin", "swath_00003.bin"}));
    r = RunCli(dir, "swaths '" + plt + "' --threads 0 -o '" + dir.file("none") + "'");
    EXPECT_NE(r.status, 0);
}
