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

// serve takes a hand-over list at start, leaves the jobs waiting (they come
// back with start mode No) and, when stopped, leaves them in Last.vxtask again.
TEST(CliServe, TakesTheHandOverAndLeavesTheListWhenStopped)
{
    TempDir home;
    CVexaDoc doc;
    for (int i = 0; i < 2; ++i) {
        auto page = std::make_unique<COnePage>();
        page->m_fileName = "job" + std::to_string(i) + ".plt";
        auto c = std::make_unique<CCurve>();
        c->m_points = {{0, 0}, {400, 400}};
        page->AddCurve(std::move(c));
        page->ComputeExtents();
        doc.AddPage(std::move(page));
    }
    const std::string handOver = home.file("Last.vxtask");
    ASSERT_EQ(doc.SaveTaskFile(handOver), "");
    const std::string log = home.file("serve.log");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("VEXAGRID_HOME", home.path().c_str(), 1);
        freopen(log.c_str(), "w", stderr);
        execl(CliPath().c_str(), "vexagrid-cli", "serve", "--sim", "--out", home.path().c_str(), nullptr);
        _exit(127);
    }
    // Wait until the list has been taken over.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadFile(log).find("job list loaded") == std::string::npos && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
