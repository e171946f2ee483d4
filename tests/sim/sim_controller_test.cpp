// The simulated controller driven in-process through a session's bytes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <functional>
#include <random>

#include "app/settings.h"
#include "device/commands.h"
#include "sim/sim_session.h"
#include "tests/support/test_support.h"

using namespace vexa::sim;
using vexa::test::TempDir;

namespace {
SimConfig Quick()
{
    SimConfig c;
    c.initExchanges = 0;
    c.processingExchanges = 1;
    c.finishingExchanges = 1;
    c.cleaningExchanges = 2;
    c.errorExchanges = 1;
    return c;
}

void PutWord(std::vector<uint8_t>& s, uint16_t w)
{
    s.push_back(static_cast<uint8_t>(w));
    s.push_back(static_cast<uint8_t>(w >> 8));
}

// A swath of `rows` rows whose records are all zero except the words given.
struct Swath {
    int rows;
    std::vector<uint16_t> words;
    explicit Swath(int r) : rows(r), words(static_cast<size_t>(r + 30) * 22, 0) {}
    // Nozzle bits of cartridge 1 in the record of bitmap row `row`.
    void Set(int row, int word, uint16_t value) { words[static_cast<size_t>(row + 30) * 22 + static_cast<size_t>(word)] = value; }
    // The zero-run stream, padded with zeros to whole 600-byte chunks.
    std::vector<uint8_t> Stream() const
    {
        std::vector<uint8_t> s;
        for (size_t i = 0; i < words.size();) {
            if (words[i] != 0) {
                PutWord(s, words[i++]);
                continue;
            }
            size_t run = 0;
            while (i < words.size() && words[i] == 0 && run < 65000) {
                ++run;
                ++i;
            }
            PutWord(s, 0);
            PutWord(s, static_cast<uint16_t>(run));
        }
        s.resize((s.size() + 599) / 600 * 600, 0);
        return s;
    }
};

class Host {
public:
    explicit Host(SimConfig config = Quick()) : sim(std::move(config)) { EXPECT_EQ(sim.Start(), ""); }

    // Sends bytes; returns what came back (faulted replies as shaped).
    std::vector<uint8_t> Send(const std::vector<uint8_t>& bytes)
    {
        std::vector<SimOutput> out;
        session.OnBytes(bytes, out);
        std::vector<uint8_t> all;
        for (const SimOutput& o : out)
            all.insert(all.end(), o.bytes.begin(), o.bytes.end());
        return all;
    }
    std::vector<uint8_t> Command(uint8_t code, std::vector<uint8_t> payload = {})
    {
        payload.insert(payload.begin(), {static_cast<uint8_t>(payload.size() + 2), code});
        return Send(payload);
    }
    uint8_t Status() { return Command(CMD_STATUS).at(0); }
    std::vector<uint8_t> Query(int n) { return Command(CMD_SWATH_QUERY, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)}); }
    std::vector<uint8_t> Done(int n) { return Command(CMD_SWATH_DONE, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)}); }
    uint8_t Header(int rows, int swaths)
    {
        const auto p = JobHeaderPayload(rows, swaths);
        return Command(CMD_JOB_HEADER, {p.begin(), p.end()}).at(0);
    }
    // Sends a swath's data chunk by chunk; returns the acknowledgements.
    std::vector<uint8_t> Data(const std::vector<uint8_t>& stream) { return Send(stream); }
    // Query, data and confirmation of swath n, which the controller must take.
    void Print(int n, const Swath& swath)
    {
        ASSERT_EQ(Query(n).at(1), 0) << "swath " << n << " taken";
        const auto acks = Data(swath.Stream());
        ASSERT_EQ(acks.size(), swath.Stream().size() / 600);
        for (uint8_t a : acks)
            EXPECT_NE(a, STATE_READY);
        Done(n);
    }
    std::vector<nlohmann::json> Events(const std::string& event) const
    {
        std::vector<nlohmann::json> out;
        for (const std::string& line : sim.Log()) {
            auto j = nlohmann::json::parse(line);
            if (j.value("event", "") == event)
                out.push_back(j);
        }
        return out;
    }

    SimController sim;
    SimSession session{sim};
};
}  // namespace

TEST(SimController, StartsInInitThenReady)
{
    SimConfig c = Quick();
    c.initExchanges = 2;
    Host host(c);
    EXPECT_EQ(host.Status(), STATE_INIT);
    EXPECT_EQ(host.Status(), STATE_INIT);
    EXPECT_EQ(host.Status(), STATE_READY);
    EXPECT_EQ(host.Header(10, 1), STATE_PROCESSING) << "a job starts from STATE_READY";
}

TEST(SimController, JobRunsThroughItsStatesAndKeepsWhatItPrinted)
{
    TempDir dir;
    SimConfig c = Quick();
    c.pace = 2;
    c.processingExchanges = 2;
    c.finishingExchanges = 2;
    c.outputDir = dir.path().string();
    Host host(c);
    ParamBlock block = host.sim.Block();
    block.headMode = 0;
    block.headOverlap = 2;
    block.head2Position = 5;
    host.sim.SetBlock(block);

    const int rows = 12;
    Swath a(rows), b(rows);
    a.Set(0, 0, 0x0001);
    a.Set(11, 3, 0x8421);
    b.Set(4, 10, 0xFFFF);
    b.Set(6 + 5, 11, 0x0003);  // cartridge 2 reads row r from record 30 + r + h

    EXPECT_EQ(host.Header(rows, 2), STATE_PROCESSING);
    EXPECT_EQ(host.Query(0), (std::vector<uint8_t>{STATE_PROCESSING, 1, 0, 0})) << "not before STATE_PLOTTING";
    EXPECT_EQ(host.Status(), STATE_PLOTTING);
    EXPECT_EQ(host.Query(0), (std::vector<uint8_t>{STATE_PLOTTING, 1, 0, 0})) << "pace: not yet";
    EXPECT_EQ(host.Query(0)[1], 1);
    EXPECT_EQ(host.Query(1)[1], 1) << "not out of order";
    host.Print(0, a);
    EXPECT_EQ(host.Query(1), (std::vector<uint8_t>{STATE_PLOTTING, 1, 1, 0})) << "progress 1";
    EXPECT_EQ(host.Query(1)[1], 1);
    host.Print(1, b);
    EXPECT_EQ(host.sim.Status(), STATE_FINISHING);
    EXPECT_EQ(host.Status(), STATE_FINISHING);
    EXPECT_EQ(host.Status(), STATE_READY);

    ASSERT_TRUE(host.sim.WaitForJobs(1, 5000));
    const auto job = host.sim.Jobs().at(0);
    EXPECT_EQ(job->result, JobResult::Done);
    EXPECT_EQ(job->rows, rows);
    EXPECT_EQ(job->PrintedSwaths(), 2);
    EXPECT_EQ(job->SwathWidth(), 298);
    const vexa::HeadLayout layout = job->layout;
    EXPECT_EQ(job->Swath(0).dots, vexa::PrintedDots(a.words, rows, layout).dots);
    EXPECT_EQ(job->Swath(1).dots, vexa::PrintedDots(b.words, rows, layout).dots);

    // The PNG shows the same dots, swath after swath along X, row 0 at the bottom.
    uint32_t width = 0, height = 0;
    const auto pixels = vexa::test::ReadGrayPng(job->pngPath, width, height);
    ASSERT_EQ(width, 2u * 298u);
    ASSERT_EQ(height, static_cast<uint32_t>(rows));
    int ink = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const bool black = pixels[y * width + x] == 0;
            ink += black;
            ASSERT_EQ(black, job->Dot(static_cast<int>(x), static_cast<int>(height - 1 - y))) << x << "," << y;
        }
    EXPECT_GT(ink, 10);

    // Drawn in bands of a few rows, the image is the same.
    const std::string banded = dir.file("banded.png");
    ASSERT_EQ(WriteJobPng(*job, banded, 3 * width), "");
    EXPECT_EQ(vexa::test::ReadFile(banded), vexa::test::ReadFile(job->pngPath));

    // Every exchange is in the log file too.
    const std::string log = vexa::test::ReadFile(dir.file("exchanges.jsonl"));
    EXPECT_NE(log.find("\"command\":\"CMD_JOB_HEADER\""), std::string::npos);
    EXPECT_NE(log.find("\"event\":\"job-end\""), std::string::npos);
}

TEST(SimController, PauseResumeCancel)
{
    SimConfig c = Quick();
    c.processingExchanges = 3;
    Host host(c);
    Swath s(4);
    host.Header(4, 3);
    EXPECT_EQ(host.Command(CMD_PAUSE).at(0), STATE_PAUSED) << "paused while processing";
    EXPECT_EQ(host.Status(), STATE_PAUSED) << "a pause holds the countdown";
    EXPECT_EQ(host.Command(CMD_RESUME).at(0), STATE_PROCESSING);
    EXPECT_EQ(host.Status(), STATE_PROCESSING);
    EXPECT_EQ(host.Status(), STATE_PLOTTING);
    host.Print(0, s);
    EXPECT_EQ(host.Command(CMD_PAUSE).at(0), STATE_PAUSED);
    EXPECT_EQ(host.Query(1), (std::vector<uint8_t>{STATE_PAUSED, 1, 1, 0})) << "no data while paused";
    EXPECT_EQ(host.Command(CMD_RESUME).at(0), STATE_PLOTTING);
    EXPECT_EQ(host.Command(CMD_CANCEL).at(0), STATE_READY);
    EXPECT_EQ(host.Query(1)[0], STATE_READY) << "the host sees the job has ended";
    ASSERT_EQ(host.sim.Jobs().size(), 1u);
    EXPECT_EQ(host.sim.Jobs()[0]->result, JobResult::Cancelled);
    EXPECT_EQ(host.sim.Jobs()[0]->PrintedSwaths(), 1);
    EXPECT_EQ(host.Command(CMD_PAUSE).at(0), STATE_READY) << "nothing to pause";
}

TEST(SimController, CleaningFanAndJog)
{
    SimConfig c = Quick();
    c.jogStep = 10;
    Host host(c);
    EXPECT_EQ(host.Command(CMD_CLEAN).at(0), STATE_CLEANING);
    EXPECT_EQ(host.Header(4, 1), STATE_CLEANING) << "no job while cleaning";
    EXPECT_EQ(host.Status(), STATE_READY);
    EXPECT_EQ(host.Command(CMD_FAN_ON).at(0), STATE_READY);
    EXPECT_TRUE(host.sim.FanOn());

    auto position = [&] { return PositionFromReply(host.Command(CMD_POSITION, {0}).data()); };
    host.Command(CMD_JOG_RIGHT);
    EXPECT_EQ(position(), 10);
    EXPECT_EQ(position(), 20) << "the carriage moves while the button is held";
    host.Command(CMD_STOP_JOG);  // its own exchange still moves it once
    EXPECT_EQ(position(), 30);
    EXPECT_EQ(position(), 30);
    host.Command(CMD_JOG_LEFT);
    for (int i = 0; i < 5; ++i)
        position();
    EXPECT_EQ(position(), 0) << "not beyond the end";
    host.Command(CMD_STOP_JOG);

    host.Header(4, 2);
    host.Status();
    host.Command(CMD_JOG_RIGHT);
    EXPECT_EQ(position(), 0) << "no jog while printing";
}

TEST(SimController, MachineFaults)
{
    Host host;
    Swath s(4);
    host.sim.RefuseJobHeaders(1);
    EXPECT_EQ(host.Header(4, 3), STATE_READY) << "refused: the status stays";
    EXPECT_TRUE(host.sim.Jobs().empty());
    EXPECT_EQ(host.Header(4, 3), STATE_PROCESSING);
    host.Status();

    host.sim.SetNotYetAt(1, 3);
    host.sim.SetCarriageTimeoutAt(2);
    host.Print(0, s);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(host.Query(1)[1], 1) << "held back";
    host.Print(1, s);
    EXPECT_EQ(host.Query(2), (std::vector<uint8_t>{STATE_CARRIAGE_TIMEOUT, 1, 2, 0}));
    ASSERT_EQ(host.sim.Jobs().size(), 1u);
    EXPECT_EQ(host.sim.Jobs()[0]->result, JobResult::Error);
    EXPECT_NE(host.sim.Jobs()[0]->reason.find("swath 2"), std::string::npos);
    EXPECT_EQ(host.Status(), STATE_READY) << "the error clears after its exchanges";

    EXPECT_EQ(host.Header(4, 1), STATE_PROCESSING) << "one-shot: the next job runs";
    host.Status();
    host.Print(0, s);
    EXPECT_EQ(host.sim.Jobs().back()->result, JobResult::Done);
}

TEST(SimController, MalformedSwathDataEndsTheJobInError)
{
    const struct {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
        const char* error;
    } cases[] = {
        {"zero run of no words", [](auto& s) { s[2] = s[3] = 0; }, "zero run of 0"},
        {"zero run too long", [](auto& s) { s[2] = 0xE9; s[3] = 0xFD; }, "zero run of 65001"},
        {"garbage in the padding", [](auto& s) { s[s.size() - 2] = 7; }, "after the end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Host host;
        Swath s(8);
        s.Set(0, 0, 0x1234);
        host.Header(8, 2);
        host.Status();
        ASSERT_EQ(host.Query(0)[1], 0);
        std::vector<uint8_t> stream = s.Stream();
        c.spoil(stream);
        const auto acks = host.Data(stream);
        ASSERT_FALSE(acks.empty());
        EXPECT_EQ(acks.back(), STATE_READY) << "the acknowledgement stops the transfer";
        ASSERT_EQ(host.sim.Jobs().size(), 1u);
        EXPECT_EQ(host.sim.Jobs()[0]->result, JobResult::Error);
        EXPECT_NE(host.sim.Jobs()[0]->reason.find(c.error), std::string::npos) << host.sim.Jobs()[0]->reason;
        EXPECT_EQ(host.Status(), STATE_CARRIAGE_LINK_ERROR);
        EXPECT_EQ(host.Status(), STATE_READY);
    }
}

TEST(SimController, SwathSentAgainIsTakenOnce)
{
    Host host;
    Swath s(6);
    s.Set(2, 1, 0x0F0F);
    host.Header(6, 2);
    host.Status();
    ASSERT_EQ(host.Query(0)[1], 0);
    host.Data(s.Stream());
    // The host missed the confirmation's reply: it queries swath 0 again.
    ASSERT_EQ(host.Query(0)[1], 0);
    host.Data(s.Stream());
    EXPECT_EQ(host.Done(0)[0], STATE_PLOTTING);
    // Confirmed, and the confirmation's reply lost once more.
    ASSERT_EQ(host.Query(0)[1], 0) << "a printed swath is taken again and thrown away";
    host.Data(s.Stream());
    host.Done(0);
    EXPECT_EQ(host.Query(1), (std::vector<uint8_t>{STATE_PLOTTING, 0, 1, 0}));
    host.Data(Swath(6).Stream());
    host.Done(1);
    ASSERT_EQ(host.sim.Jobs().size(), 1u);
    EXPECT_EQ(host.sim.Jobs()[0]->result, JobResult::Done);
    EXPECT_EQ(host.Events("swath-data").size(), 4u);
}

TEST(SimController, JobOfNoSwathsReportsPlottingOnce)
{
    Host host;
    EXPECT_EQ(host.Header(100, 0), STATE_PROCESSING);
    EXPECT_EQ(host.Status(), STATE_PLOTTING);
    EXPECT_EQ(host.Status(), STATE_FINISHING);
    EXPECT_EQ(host.Status(), STATE_READY);
    ASSERT_EQ(host.sim.Jobs().size(), 1u);
    EXPECT_EQ(host.sim.Jobs()[0]->result, JobResult::Done);
}

TEST(SimController, BytesAreCutIntoPacketsWhateverArrives)
{
    Host host;
    // Two packets in one piece, a packet in two pieces, bytes no packet starts with.
    EXPECT_EQ(host.Send({2, CMD_STATUS, 3, CMD_POSITION, 0}), (std::vector<uint8_t>{STATE_READY, 0, 0}));
    EXPECT_TRUE(host.Send({3, CMD_READ_PARAMS}).empty());
    EXPECT_EQ(host.Send({52}).size(), 52u);
    EXPECT_EQ(host.Send({0, 1, 200, 65, 2, CMD_STATUS}), (std::vector<uint8_t>{STATE_READY}));
    const auto skipped = host.Events("skipped-bytes");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0]["bytes"], 4);
    // A reply to every command, one status byte for one it does not know.
    EXPECT_EQ(host.Command(200, std::vector<uint8_t>(62, 9)), (std::vector<uint8_t>{STATE_READY}));

    // Granted swath data that never comes: the host's next packet is served.
    host.Header(4, 1);
    host.Status();
    ASSERT_EQ(host.Query(0)[1], 0);
    EXPECT_EQ(host.Status(), STATE_PLOTTING);
    EXPECT_EQ(host.Events("swath-data-abandoned").size(), 1u);

    // Random bytes: never a crash, never a reply longer than a packet.
    std::mt19937 random(6);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes(random() % 700);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random() % 4 == 0 ? random() % 66 : random());
        for (uint8_t a : {uint8_t{0}, uint8_t{3}})
            if (round % 7 == 0 && !bytes.empty())
                bytes[0] = a;
        std::vector<SimOutput> out;
        host.session.OnBytes(bytes, out);
        for (const SimOutput& o : out)
            ASSERT_LE(o.bytes.size(), 64u);
    }
}

TEST(SimController, ReplyFaultsCountTheirReplies)
{
    Host host;
    std::string error;
    host.sim.AddFault(*ParseFault("drop:status@2*2", error));
    EXPECT_EQ(host.Command(CMD_STATUS).size(), 1u);
    EXPECT_EQ(host.Command(CMD_POSITION, {0}).size(), 2u) << "another command is not counted";
    EXPECT_TRUE(host.Command(CMD_STATUS).empty());
    EXPECT_TRUE(host.Command(CMD_STATUS).empty());
    EXPECT_EQ(host.Command(CMD_STATUS).size(), 1u) << "used up";

    host.sim.AddFault(*ParseFault("short:read_params:10*0", error));
    EXPECT_EQ(host.Command(CMD_READ_PARAMS, {52}).size(), 42u);
    EXPECT_EQ(host.Command(CMD_READ_PARAMS, {52}).size(), 42u) << "*0 is every time";
    host.sim.ClearFaults();
    EXPECT_EQ(host.Command(CMD_READ_PARAMS, {52}).size(), 52u);

    std::vector<SimOutput> out;
    host.sim.AddFault(*ParseFault("split:position:5", error));
    host.session.OnBytes(std::vector<uint8_t>{3, CMD_POSITION, 0}, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].splitAt, 1);
    EXPECT_EQ(out[0].gapMs, 5);
    host.sim.AddFault(*ParseFault("reset:any", error));
    out.clear();
    host.session.OnBytes(std::vector<uint8_t>{2, CMD_STATUS}, out);
    EXPECT_EQ(out.at(0).kind, SimOutput::Reset);
}

TEST(SimFaults, Parse)
{
    std::string error;
    auto f = ParseFault("delay:CMD_POSITION:1500@3*2", error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->kind, FaultKind::Delay);
    EXPECT_EQ(f->code, CMD_POSITION);
    EXPECT_EQ(f->ms, 1500);
    EXPECT_EQ(f->at, 3);
    EXPECT_EQ(f->times, 2);
    f = ParseFault("short:21:5", error);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->delta, -5);
    EXPECT_EQ(ParseFault("long:swath_query", error)->code, CMD_SWATH_QUERY);
    EXPECT_EQ(ParseFault("drop:ack", error)->code, ACK_CODE);
    EXPECT_EQ(ParseFault("reset:any", error)->code, ANY_CODE);
    for (const char* bad : {"drop", "foo:15", "drop:999", "drop:bogus", "delay:15:-3", "drop:15@0", "drop:15*x", "a:b:c:d"}) {
        error.clear();
        EXPECT_FALSE(ParseFault(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SimController, ParameterFileIsLoadedAndSaved)
{
    TempDir dir;
    SimConfig c = Quick();
    c.paramFile = dir.file("block.vxp");
    std::array<uint8_t, 36> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 3 + 1);
    vexa::test::WriteFile(c.paramFile, std::string(bytes.begin(), bytes.end()) + std::string(16, '\0'));
    Host host(c);
    EXPECT_EQ(host.sim.Block().ToBytes(), bytes);
    const auto reply = host.Command(CMD_READ_PARAMS, {52});
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 36), std::vector<uint8_t>(bytes.begin(), bytes.end()));

    std::vector<uint8_t> block(52, 0x5C);
    EXPECT_EQ(host.Command(CMD_WRITE_PARAMS, block).at(0), STATE_READY);
    std::fill(block.begin() + 36, block.end(), 0);  // kept as zero
    EXPECT_EQ(vexa::test::ReadFile(c.paramFile), std::string(block.begin(), block.end()));
    EXPECT_EQ(host.Command(CMD_WRITE_PARAMS, std::vector<uint8_t>(51, 1)).at(0), STATE_READY);
    EXPECT_EQ(host.sim.Block().reserved[0], 0x5C) << "a block of the wrong size is not taken";

    vexa::test::WriteFile(c.paramFile, std::string(20, 'x'));
    g_settings.m_language = 1;
    SimController refused(c);
    EXPECT_NE(refused.Start().find("holds only 20 bytes"), std::string::npos);
    g_settings.m_language = 0;
}
