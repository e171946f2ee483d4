// The TCP link against the simulated controller on a loopback port.
#include <gtest/gtest.h>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "device/commands.h"
#include "device/link_state.h"
#include "device/my_eth.h"
#include "device/param_block.h"
#include "raster/swath_decoder.h"
#include "sim/sim_faults.h"
#include "tests/device/link_test_support.h"
#include "tests/support/test_support.h"

using linktest::LoopbackController;
using linktest::MakeStream;

namespace {
int Status()
{
    return g_eth.SendCommand(CMD_STATUS);
}

int Position(int16_t* position = nullptr)
{
    const uint8_t zero[1] = {0};
    uint8_t reply[2];
    const int r = g_eth.Query(CMD_POSITION, 1, zero, 2, reply);
    if (r == 0 && position)
        *position = PositionFromReply(reply);
    return r;
}

int Block(uint8_t* reply52)
{
    const uint8_t ask[1] = {52};
    return g_eth.Query(CMD_READ_PARAMS, 1, ask, 52, reply52);
}

int Header(int rows, int swaths)
{
    const auto payload = JobHeaderPayload(rows, swaths);
    return g_eth.SendCommandData(CMD_JOB_HEADER, 4, payload.data());
}

vexa::sim::ReplyFault Fault(const std::string& text)
{
    std::string error;
    const auto fault = vexa::sim::ParseFault(text, error);
    EXPECT_TRUE(fault) << error;
    return fault.value_or(vexa::sim::ReplyFault{});
}

// Events of the simulator's log that have a given "event" value.
std::vector<nlohmann::json> Events(const vexa::sim::SimController& sim, const std::string& event)
{
    std::vector<nlohmann::json> out;
    for (const std::string& line : sim.Log()) {
        auto j = nlohmann::json::parse(line);
        if (j.value("event", "") == event)
            out.push_back(j);
    }
    return out;
}

// The link's limit for swath data and its acknowledgements, shortened so
// that a test can wait past the reply limit and still end quickly.
void SetBulkLimit(int ms)
{
    EthTimeouts t = g_eth.Timeouts();
    t.bulkMs = ms;
    g_eth.SetTimeouts(t);
}

// Announces a job of one swath and brings the controller to STATE_PLOTTING
// with swath 0 granted.
void StartOneSwathJob(int rows)
{
    ASSERT_EQ(Header(rows, 1), 0);
    ASSERT_EQ(g_machineStatus, STATE_PROCESSING);
    ASSERT_EQ(Status(), 0);
    ASSERT_EQ(g_machineStatus, STATE_PLOTTING);
    const uint8_t n[2] = {0, 0};
    uint8_t reply[4];
    ASSERT_EQ(g_eth.Query(CMD_SWATH_QUERY, 2, n, 4, reply), 0);
    ASSERT_EQ(SwathQueryReply::Parse(reply).notYet, 0);
}
}  // namespace

TEST(EthLink, StatusPositionAndBlockFromTheController)
{
    LoopbackController sim;
    g_machineStatus = STATE_INIT;
    ASSERT_EQ(Status(), 0);
    EXPECT_EQ(g_machineStatus, STATE_READY);
    int16_t position = -1;
    ASSERT_EQ(Position(&position), 0);
    EXPECT_EQ(position, 0);
    uint8_t block[52];
    ASSERT_EQ(Block(block), 0);
    EXPECT_EQ(ParamBlock::FromBytes(block).ToBytes(), sim.controller.Block().ToBytes());
}

TEST(EthLink, NothingListeningFailsAtOnce)
{
    g_eth.Disconnect();
    g_settings.m_controllerPort = 1;
    EXPECT_EQ(Status(), -1);
    EXPECT_EQ(Position(), -1);
    const uint8_t data[4] = {};
    EXPECT_EQ(g_eth.SendBulk(data, 4), -1);
    EXPECT_NE(g_eth.LastError().find("cannot connect to the controller at 127.0.0.1:1"), std::string::npos)
        << g_eth.LastError();
}

// Every fault gives the link's failure code, and the exchanges after it, of
// another reply length and of the same one, get their own replies.
TEST(EthLink, EachInjectedFaultFailsOneExchangeOnly)
{
    enum Exchange { STATUS, POSITION, BLOCK, HEADER };
    const struct {
        const char* fault;
        Exchange exchange;
        int expected;
    } cases[] = {
        {"drop:status", STATUS, -2},
        {"long:status", STATUS, -2},
        {"reset:status", STATUS, -2},
        {"delay:status:400", STATUS, -2},
        {"split:status:20", STATUS, 0},  // a lone byte comes late, within the time limit
        {"drop:position", POSITION, -1},
        {"split:position", POSITION, -1},
        {"short:position", POSITION, -1},
        {"long:position", POSITION, -1},
        {"reset:position", POSITION, -1},
        {"delay:position:400", POSITION, -1},
        {"delay:position:20", POSITION, 0},
        {"short:read_params", BLOCK, -1},  // 51 of 52 bytes
        {"split:read_params", BLOCK, -1},
        {"drop:job_header", HEADER, -1},
        {"long:job_header", HEADER, -1},
        {"reset:job_header", HEADER, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        LoopbackController sim;
        ASSERT_EQ(Status(), 0);
        sim.controller.AddFault(Fault(c.fault));
        auto run = [&](Exchange e) {
            uint8_t block[52];
            switch (e) {
            case STATUS: return Status();
            case POSITION: return Position();
            case BLOCK: return Block(block);
            case HEADER: return Header(10, 2);
            }
            return 99;
        };
        EXPECT_EQ(run(c.exchange), c.expected);
        if (c.exchange == STATUS) {
            int16_t position = -1;
            EXPECT_EQ(Position(&position), 0);
            EXPECT_EQ(position, sim.controller.Position());
        } else {
            g_machineStatus = STATE_INIT;
            EXPECT_EQ(Status(), 0);
            EXPECT_EQ(g_machineStatus, sim.controller.Status());
        }
        EXPECT_EQ(run(c.exchange), 0);
    }
}

TEST(EthLink, RestartedControllerIsReconnectedWithoutAFailure)
{
    LoopbackController sim;
    ASSERT_EQ(Status(), 0);
    const int port = sim.server.Port();
    sim.server.Stop();
    vexa::sim::SimServer again(sim.controller);
    ASSERT_EQ(again.Start(port), "");
    EXPECT_EQ(Status(), 0) << "the closed connection is noticed before the packet is sent";
    again.Stop();
}

TEST(EthLink, OneClientAtATime)
{
    LoopbackController sim;
    CMyEth other;
    other.SetTimeouts(g_eth.Timeouts());
    ASSERT_EQ(Status(), 0);
    EXPECT_EQ(other.SendCommand(CMD_STATUS), -2) << "waits while g_eth holds the controller";
    g_eth.Disconnect();
    EXPECT_EQ(other.SendCommand(CMD_STATUS), 0);
}

TEST(EthLink, SixtyTwoBytePayloadIsTheLargestPacket)
{
    LoopbackController sim;
    std::vector<uint8_t> payload(63, 0x42);
    ASSERT_EQ(g_eth.SendCommandData(99, 62, payload.data()), 0);
    const auto last = nlohmann::json::parse(sim.controller.Log().back());
    EXPECT_EQ(last["code"], 99);
    EXPECT_EQ(last["payload"].get<std::string>().size(), 124u);
    const size_t lines = sim.controller.Log().size();
    EXPECT_EQ(g_eth.SendCommandData(99, 63, payload.data()), -1);
    EXPECT_EQ(sim.controller.Log().size(), lines) << "nothing sent";
    EXPECT_EQ(Status(), 0);
}

TEST(EthLink, ParameterBlockRoundTripKeepsReservedBytes)
{
    vexa::test::TempDir dir;
    auto config = LoopbackController::QuickConfig();
    config.paramFile = dir.file("machine.vxp");
    LoopbackController sim(config);
    ParamBlock block = sim.controller.Block();
    block.reserved = {9, 8, 7};
    block.startOffset = 0xFFFF;
    sim.controller.SetBlock(block);

    g_settings.m_useEthernet = 1;
    g_connected = 0;
    ASSERT_EQ(ReadParamBlock(), 0);
    EXPECT_EQ(g_connected, 1);
    EXPECT_EQ(g_settings.m_startOffset, 65535);
    g_settings.m_xScale = 70000;
    ASSERT_EQ(SaveParamBlock(), 0);
    g_settings.m_useEthernet = 0;
    g_settings.m_xScale = 10000;

    const ParamBlock stored = sim.controller.Block();
    EXPECT_EQ(stored.xScale, 4464);
    EXPECT_EQ(stored.reserved, block.reserved);
    const auto sent = nlohmann::json::parse(sim.controller.Log().back());
    EXPECT_EQ(sent["command"], "CMD_WRITE_PARAMS");
    EXPECT_EQ(sent["payload"].get<std::string>().substr(72), std::string(32, '0')) << "bytes 36 to 51 are zero";
    // The controller keeps its block in its parameter file.
    const std::string file = vexa::test::ReadFile(config.paramFile);
    ASSERT_EQ(file.size(), 52u);
    const auto expected = stored.ToWire();
    EXPECT_EQ(file, std::string(expected.begin(), expected.end()));
}

TEST(EthLink, BulkOf1201BytesGoesInThreeChunks)
{
    LoopbackController sim;
    const int rows = 28;
    std::vector<uint8_t> data = MakeStream(rows, 596);
    ASSERT_EQ(data.size(), 1200u);
    data.push_back(0);  // 1201 bytes, exactly: a read past them is a fault
    StartOneSwathJob(rows);
    EXPECT_EQ(g_eth.SendBulk(data.data(), 1201), 1201);
    EXPECT_EQ(g_machineStatus, STATE_PLOTTING);
    const uint8_t n[2] = {0, 0};
    uint8_t done[2];
    ASSERT_EQ(g_eth.Query(CMD_SWATH_DONE, 2, n, 2, done), 0);
    EXPECT_EQ(done[0], STATE_FINISHING);

    ASSERT_TRUE(sim.controller.WaitForJobs(1, 5000));
    const auto job = sim.controller.Jobs().at(0);
    EXPECT_EQ(job->result, vexa::sim::JobResult::Done);
    data.pop_back();
    EXPECT_EQ(job->streams.at(0), data) << "the stream fills the first two chunks";
    const auto received = Events(sim.controller, "swath-data");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["chunks"], 2);
    const auto padding = Events(sim.controller, "swath-padding");
    ASSERT_EQ(padding.size(), 1u) << "the 1201st byte went in a third chunk, of zeros";
    EXPECT_EQ(padding[0]["bytes"], 600);
}

TEST(EthLink, AcknowledgementReadyStopsTheBulkEarly)
{
    LoopbackController sim;
    const int rows = 28;
    std::vector<uint8_t> data = MakeStream(rows, 596);
    data[2] = data[3] = 0;  // a zero run of no words: the controller throws the job away
    data.push_back(0);
    StartOneSwathJob(rows);
    EXPECT_EQ(g_eth.SendBulk(data.data(), 1201), 1);
    EXPECT_EQ(g_machineStatus, STATE_READY);
    const auto received = Events(sim.controller, "swath-data");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["chunks"], 1) << "nothing after the first chunk";

    ASSERT_EQ(Status(), 0) << "the link is in step after the early stop";
    EXPECT_EQ(g_machineStatus, STATE_CARRIAGE_LINK_ERROR);
    ASSERT_EQ(sim.controller.Jobs().size(), 1u);
    EXPECT_EQ(sim.controller.Jobs()[0]->result, vexa::sim::JobResult::Error);
    ASSERT_EQ(Status(), 0);
    EXPECT_EQ(g_machineStatus, STATE_READY);
}

TEST(EthLink, LostAcknowledgementFailsTheBulkAndTheSwathIsSentAgain)
{
    LoopbackController sim;
    const int rows = 28;
    std::vector<uint8_t> data = MakeStream(rows, 596);
    StartOneSwathJob(rows);
    SetBulkLimit(300);
    sim.controller.AddFault(Fault("drop:ack@2"));
    EXPECT_EQ(g_eth.SendBulk(data.data(), static_cast<int>(data.size())), -1);

    const uint8_t n[2] = {0, 0};
    uint8_t reply[4];
    ASSERT_EQ(g_eth.Query(CMD_SWATH_QUERY, 2, n, 4, reply), 0);
    ASSERT_EQ(reply[1], 0) << "the controller takes the swath again";
    EXPECT_EQ(g_eth.SendBulk(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    ASSERT_EQ(g_eth.Query(CMD_SWATH_DONE, 2, n, 2, reply), 0);
    ASSERT_TRUE(sim.controller.WaitForJobs(1, 5000));
    EXPECT_EQ(sim.controller.Jobs().at(0)->result, vexa::sim::JobResult::Done);
}

// A controller draining its buffer holds a chunk's acknowledgement back for
// longer than any reply may take; the link waits for it as long as for the
// data, and no longer.
TEST(EthLink, AcknowledgementIsAwaitedForTheBulkLimitNotTheReplyLimit)
{
    using Ms = std::chrono::milliseconds;
    LoopbackController sim;
    const int bulkMs = 1200;
    ASSERT_LE(g_eth.Timeouts().replyMs * 2, bulkMs / 2) << "the delay below lies well past the reply limit";
    SetBulkLimit(bulkMs);
    const int rows = 28;
    const std::vector<uint8_t> data = MakeStream(rows, 596);  // two chunks
    const int length = static_cast<int>(data.size());

    // The first chunk's acknowledgement comes at half the bulk limit, long
    // after a reply would have failed: the swath goes on and arrives once.
    StartOneSwathJob(rows);
    sim.controller.AddFault(Fault("delay:ack:" + std::to_string(bulkMs / 2) + "@1"));
    EXPECT_EQ(g_eth.SendBulk(data.data(), length), length) << g_eth.LastError();
    const uint8_t n[2] = {0, 0};
    uint8_t reply[4];
    ASSERT_EQ(g_eth.Query(CMD_SWATH_DONE, 2, n, 2, reply), 0);
    ASSERT_TRUE(sim.controller.WaitForJobs(1, 5000));
    EXPECT_EQ(sim.controller.Jobs().at(0)->result, vexa::sim::JobResult::Done);
    const auto received = Events(sim.controller, "swath-data");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["chunks"], 2);
    EXPECT_TRUE(Events(sim.controller, "swath-data-abandoned").empty());

    // An acknowledgement that never comes fails the transfer once the bulk
    // limit has passed.
    for (int i = 0; i < 4 && g_machineStatus != STATE_READY; ++i)
        ASSERT_EQ(Status(), 0);
    ASSERT_EQ(g_machineStatus, STATE_READY);
    StartOneSwathJob(rows);
    sim.controller.AddFault(Fault("drop:ack@1"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(g_eth.SendBulk(data.data(), length), -1);
    const auto waited = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(waited, Ms(bulkMs - 10));  // the wait is counted in whole milliseconds, rounded down
    EXPECT_LT(waited, Ms(bulkMs + 1000));
    EXPECT_NE(g_eth.LastError().find("no acknowledgement of chunk 1 of 2"), std::string::npos) << g_eth.LastError();
}

TEST(EthLink, ExchangesOfTwoThreadsNeverInterleave)
{
    LoopbackController sim;
    std::atomic<int> failures{0};
    std::thread a([&] {
        for (int i = 0; i < 100; ++i) {
            uint8_t block[52];
            if (Block(block) != 0)
                ++failures;
        }
    });
    std::thread b([&] {
        for (int i = 0; i < 100; ++i)
            if (Status() != 0 || Position() != 0)
                ++failures;
    });
    a.join();
    b.join();
    EXPECT_EQ(failures, 0);
}
