// vexagrid-cli status and params against vexagrid-sim on a free loopback port.
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_support.h"

using vexa::test::CliPath;
using vexa::test::RunCli;
using vexa::test::ReadFile;
using vexa::test::RunCommand;
using vexa::test::TempDir;
using vexa::test::WriteFile;

extern char** environ;

namespace {
// vexagrid-sim of this build, started with --port 0; stopped on destruction.
class SimProcess {
public:
    explicit SimProcess(const TempDir& dir, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {VEXA_BINARY_DIR "/sim/vexagrid-sim", "--port", "0", "--quiet", "--init", "0",
                                         "--out", dir.path().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // "vexagrid-sim: listening on 127.0.0.1:PORT"
        std::string line;
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (m_pid > 0 && poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.find("listening on 127.0.0.1:") != std::string::npos && colon != std::string::npos)
            m_address = "127.0.0.1:" + line.substr(colon + 1);
    }
    ~SimProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    const std::string& Address() const { return m_address; }

private:
    pid_t m_pid = -1;
    std::string m_address;
};

}  // namespace

TEST(CliDevice, StatusOverTcp)
{
    TempDir dir;
    SimProcess sim(dir);
    ASSERT_FALSE(sim.Address().empty()) << "vexagrid-sim printed its port";
    // Without a Vexa.ini the language is Chinese.
    auto r = RunCli(dir, "status --tcp " + sim.Address());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("status:   准备就绪 (1 STATE_READY)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("carriage: 0 dots, 0.00 mm"), std::string::npos) << r.out;

    // 语言=1 in GBK: English.
    WriteFile(dir.file("Vexa.ini"), "[Para]\r\n\xD3\xEF\xD1\xD4=1\r\n");
    r = RunCli(dir, "status --tcp " + sim.Address());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("status:   Ready (1 STATE_READY)"), std::string::npos) << r.out;

    r = RunCli(dir, "status --json --tcp " + sim.Address());
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["status"], 1);
    EXPECT_EQ(j["state"], "STATE_READY");
    EXPECT_EQ(j["text"], "Ready");
    EXPECT_EQ(j["status_text"], "Ready");
    EXPECT_EQ(j["link"], "TCP " + sim.Address());

    // Nothing listens on port 1 of the loopback.
    r = RunCli(dir, "status --tcp 127.0.0.1:1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no answer from the controller (TCP 127.0.0.1:1)"), std::string::npos) << r.err;
    EXPECT_NE(RunCli(dir, "status --tcp 127.0.0.1").status, 0) << "a port is required";
}

TEST(CliDevice, ParamsGetSetSaveLoad)
{
    TempDir dir;
    SimProcess sim(dir, {"--params", dir.file("controller.vxp")});
    ASSERT_FALSE(sim.Address().empty());
    const std::string at = " --tcp " + sim.Address();

    auto r = RunCli(dir, "params get --json" + at);
    ASSERT_EQ(r.status, 0) << r.err;
    auto block = nlohmann::json::parse(r.out);
    EXPECT_EQ(block["xScale"], 10000);
    EXPECT_EQ(block["reserved"], "000000");

    r = RunCli(dir, "params set xScale=10005 lineWidth=3" + at);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("controller.vxp")).size(), 52u) << "the controller keeps its block";
    r = RunCli(dir, "params set lineWidth=21" + at);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("from 1 to 20; nothing written"), std::string::npos) << r.err;

    ASSERT_EQ(RunCli(dir, "params save '" + dir.file("saved.vxp") + "'" + at).status, 0);
    const std::string saved = ReadFile(dir.file("saved.vxp"));
    ASSERT_EQ(saved.size(), 52u);
    ASSERT_EQ(RunCli(dir, "params set xScale=9000" + at).status, 0);
    r = RunCli(dir, "params load '" + dir.file("saved.vxp") + "'" + at);
    ASSERT_EQ(r.status, 0) << r.err;
    block = nlohmann::json::parse(RunCli(dir, "params get --json" + at).out);
    EXPECT_EQ(block["xScale"], 10005);
    EXPECT_EQ(block["lineWidth"], 3);
    EXPECT_EQ(ReadFile(dir.file("controller.vxp")), saved) << "restoring gives back exactly the saved block";

    vexa::test::WriteFile(dir.file("short.vxp"), "0123456789");
    r = RunCli(dir, "params load '" + dir.file("short.vxp") + "'" + at);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("10"), std::string::npos) << r.err;
}
