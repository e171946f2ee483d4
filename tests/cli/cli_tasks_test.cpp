#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/test_support.h"

using vexa::test::CliPath;
using vexa::test::RunCli;
using vexa::test::ReadFile;
using vexa::test::RunCommand;
using vexa::test::TempDir;
using vexa::test::WriteFile;


TEST(CliTasks, ConvertSaveShowExport)
{
    TempDir dir;
    const std::string a = dir.file("a.plt"), b = dir.file("wide.plt"), empty = dir.file("empty.plt");
    WriteFile(a, "IN;PU100,100;PD500,100,500,300;PU;");
    // 3000 mm across: wider than the default 2000 mm paper.
    WriteFile(b, "IN;PU0,0;PD40000,0,40000,120000;PU;");
    WriteFile(empty, "IN;SP1;SP0;PU;");

    auto r = RunCli(dir, "convert '" + a + "' '" + b + "' -o '" + dir.file("out.plt") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // Moved to x 0 (a job above the X axis stays there); the wide job turned (wide mode is on by default).
    EXPECT_EQ(ReadFile(dir.file("out.plt")),
              "INPA;SP1;PU0,100;PD0,100,400,100,400,300;PG;SP1;PU120000,0;PD120000,0,120000,40000,0,40000;PG;");

    r = RunCli(dir, "convert --wide-mode 0 --page-width 1000 '" + b + "' -o '" + dir.file("paged.plt") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(dir.file("paged.plt")).find("PU81200,0;PD81200,0,81200,40000;PU122400,0;"), std::string::npos) << "bands of 40,000 units";

    r = RunCli(dir, "convert '" + a + "' '" + empty + "' -o '" + dir.file("x.plt") + "'");
    EXPECT_NE(r.status, 0) << "a file that draws nothing is reported";
    EXPECT_NE(r.err.find("empty.plt: nothing drawn"), std::string::npos) << r.err;

    const std::string list = dir.file("list.vxtask");
    r = RunCli(dir, "tasks save '" + a + "' '" + b + "' -o '" + list + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli(dir, "tasks show '" + list + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "001  10mm*5mm  1 curves  a.plt\n002  3000mm*1000mm  1 curves  wide.plt\n");
    r = RunCli(dir, "tasks show --json '" + list + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto first = nlohmann::json::parse(r.out.substr(0, r.out.find('\n')));
    EXPECT_EQ(first["length_mm"], 10);
    EXPECT_EQ(first["file"], "a.plt");
    r = RunCli(dir, "tasks export '" + list + "' -o '" + dir.file("again.plt") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("again.plt")), ReadFile(dir.file("out.plt")));

    WriteFile(list, "\x01\x00\xFF\xFF\x01\x00\x08\x00" "CWrongXX");
    r = RunCli(dir, "tasks show '" + list + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a task file we can read"), std::string::npos) << r.err;
}

TEST(CliTasks, LayoutDefaultsComeFromTheIni)
{
    TempDir dir;
    const std::string b = dir.file("wide.plt");
    WriteFile(b, "IN;PU0,0;PD40000,0,40000,120000;PU;");
    // "宽幅模式" (wide mode) = 0 in GBK.
    WriteFile(dir.file("Vexa.ini"), "[Para]\r\n\xBF\xED\xB7\xF9\xC4\xA3\xCA\xBD=0\r\n");
    auto r = RunCli(dir, "convert '" + b + "' -o '" + dir.file("out.plt") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(dir.file("out.plt")).find("PU81200,0;PD81200,0,81200,40000;PG;"), std::string::npos) << "paginated, not turned";
}
