#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "model/vexa_doc.h"
#include "tests/support/test_support.h"

using vexa::test::CliPath;
using vexa::test::ReadFile;
using vexa::test::TempDir;
using vexa::test::WriteFile;

namespace {
// A job list of small jobs with these names, as a task file.
void SaveJobList(const std::string& path, const std::vector<std::string>& names)
{
    CVexaDoc doc;
    for (const std::string& name : names) {
        auto page = std::make_unique<COnePage>();
        page->m_fileName = name;
        auto c = std::make_unique<CCurve>();
        c->m_points = {{0, 0}, {400, 400}};
        page->AddCurve(std::move(c));
        page->ComputeExtents();
        doc.AddPage(std::move(page));
    }
    ASSERT_EQ(doc.SaveTaskFile(path), "");
}

// vexagrid-cli serve --sim in the background, its log in home/serve.log.
pid_t StartServe(const TempDir& home, const std::string& log)
{
    const pid_t child = fork();
    if (child == 0) {
        setenv("VEXAGRID_HOME", home.path().c_str(), 1);
        freopen(log.c_str(), "w", stderr);
        execl(CliPath().c_str(), "vexagrid-cli", "serve", "--sim", "--time-scale", "0", "--out", home.path().c_str(),
              nullptr);
        _exit(127);
    }
    return child;
}

std::string WaitForLog(const std::string& log, const std::string& text, int seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (ReadFile(log).find(text) == std::string::npos && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ReadFile(log);
}
}  // namespace

// serve takes a hand-over list at start, leaves the jobs waiting (they come
// back with start mode No) and, when stopped, leaves them in Last.vxtask again.
TEST(CliServe, TakesTheHandOverAndLeavesTheListWhenStopped)
{
    TempDir home;
    const std::string handOver = home.file("Last.vxtask");
    SaveJobList(handOver, {"job0.plt", "job1.plt"});
    const std::string log = home.file("serve.log");
    const pid_t child = StartServe(home, log);
    ASSERT_GT(child, 0);
    WaitForLog(log, "job list loaded");
    EXPECT_NE(ReadFile(log).find("job list loaded: 2 jobs"), std::string::npos) << ReadFile(log);
    EXPECT_NE(access(handOver.c_str(), F_OK), 0) << "taken away";
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(log);
    CVexaDoc back;
    ASSERT_EQ(back.LoadTaskFile(handOver), "") << ReadFile(log);
    EXPECT_EQ(back.GetPageCount(), 2);
    EXPECT_NE(ReadFile(log).find("job list saved"), std::string::npos);
}

// Every file in the hot folder is taken away: the application directory, under
// any spelling, is refused before anything is touched.
TEST(CliServe, RefusesTheApplicationDirectoryAsTheHotFolder)
{
    TempDir home;
    const std::string ini = "[Para]\r\nControllerPort=5289\r\n";
    WriteFile(home.file("Vexa.ini"), ini);
    for (const std::string& folder : {home.path().string(), home.path().string() + "/.", std::string("/x")}) {
        const auto r = vexa::test::RunCommand("VEXAGRID_HOME='" + home.path().string() + "' timeout 20 " + CliPath() +
                                              " serve --sim --time-scale 0 --hot-folder '" + folder + "'");
        EXPECT_EQ(r.status, 1) << folder << r.err;
        EXPECT_NE(r.err.find("cannot use " + folder + " as the hot folder"), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadFile(home.file("Vexa.ini")), ini);
    EXPECT_NE(access(home.file("rejected").c_str(), F_OK), 0);
}

// The user's story: the hand-over file cannot be removed (immutable), a
// hot-folder job arrives, serve is stopped. The hand-over is loaded once, the
// new job stays, and as Last.vxtask cannot be replaced the list is saved
// beside it and the log says where. Needs chattr and the right to use it.
TEST(CliServe, AnImmutableHandOverLosesNoJob)
{
    TempDir home;
    const std::string handOver = home.file("Last.vxtask");
    SaveJobList(handOver, {"handed.plt"});
    if (vexa::test::RunCommand("chattr +i '" + handOver + "' 2>/dev/null").status != 0)
        GTEST_SKIP() << "chattr +i is not available here";
    struct Unfreeze {
        std::string path;
        ~Unfreeze() { vexa::test::RunCommand("chattr -i '" + path + "'"); }
    } unfreeze{handOver};
    const std::string log = home.file("serve.log");
    const pid_t child = StartServe(home, log);
    ASSERT_GT(child, 0);
    EXPECT_NE(WaitForLog(log, "job list loaded").find("job list loaded: 1 jobs"), std::string::npos);
    WriteFile(home.file("plot/new.plt"), "IN;PU0,0;PD400,0,400,400,0,400,0,0;PU;");
    EXPECT_NE(WaitForLog(log, "imported: new.plt").find("imported: new.plt"), std::string::npos) << ReadFile(log);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(log);
    const std::string text = ReadFile(log);
    size_t loads = 0;
    for (size_t at = text.find("job list loaded"); at != std::string::npos; at = text.find("job list loaded", at + 1))
        ++loads;
    EXPECT_EQ(loads, 1u) << text;
    std::string saved;
    for (const std::string& name : vexa::test::ListDirectory(home.path().string()))
        if (name.starts_with("Last-"))
            saved = home.file(name);
    ASSERT_NE(saved, "") << text;
    EXPECT_NE(text.find("jobs left in " + saved), std::string::npos) << text;
    CVexaDoc back;
    ASSERT_EQ(back.LoadTaskFile(saved), "");
    ASSERT_EQ(back.GetPageCount(), 2);
    EXPECT_EQ(back.GetPage(1)->m_fileName, "new.plt");
}
