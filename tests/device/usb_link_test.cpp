// The USB link against a scripted controller behind the libusb calls.
#include <gtest/gtest.h>
#include <thread>
#include <usb.h>

#include "device/commands.h"
#include "device/link_state.h"
#include "device/my_commu.h"
#include "device/my_usb.h"
#include "device/param_block.h"
#include "tests/device/fake_libusb.h"
#include "tests/device/link_test_support.h"

namespace {
using fakeusb::Event;

std::vector<std::string> Ops(const std::vector<Event>& events)
{
    std::vector<std::string> ops;
    for (const Event& e : events)
        if (e.op != "find_devices")
            ops.push_back(e.op);
    return ops;
}

class UsbLink : public testing::Test {
protected:
    void SetUp() override
    {
        fakeusb::Reset();
        g_settings.m_useEthernet = 0;
        g_machineStatus = STATE_INIT;
    }
    void TearDown() override { EXPECT_EQ(fakeusb::OpenHandles(), 0) << "the device is closed after every transfer"; }
};
}  // namespace

TEST_F(UsbLink, EveryTransferOpensClaimsReleasesAndCloses)
{
    CMyUSB usb;
    fakeusb::ClearEvents();
    fakeusb::SetStatus(STATE_PLOTTING);
    ASSERT_EQ(usb.SendCommand(CMD_STATUS), 0);
    EXPECT_EQ(g_machineStatus, STATE_PLOTTING);

    const std::vector<std::string> half = {"open", "claim", "write", "release", "close",
                                           "open", "claim", "read",  "release", "close"};
    EXPECT_EQ(Ops(fakeusb::Events()), half);
    const auto t = fakeusb::Transfers();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].endpoint, 0x02);
    EXPECT_EQ(t[0].timeout, 50);
    EXPECT_EQ(t[0].data, (std::vector<uint8_t>{2, CMD_STATUS}));
    EXPECT_EQ(t[1].endpoint, 0x81);
    EXPECT_EQ(t[1].timeout, 1000);
    EXPECT_EQ(t[1].size, 64) << "a status reply is read with room for a whole packet";
    for (const Event& e : fakeusb::Events()) {
        if (e.op == "claim" || e.op == "release") {
            EXPECT_EQ(e.endpoint, 0) << "interface 0";
        }
    }
}

TEST_F(UsbLink, NoDeviceFailsAtOnceAndKeepsTheStatus)
{
    fakeusb::Plug({{0x1234, 0x0001}});
    CMyUSB usb;
    g_machineStatus = STATE_PAUSED;
    fakeusb::ClearEvents();
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1);
    EXPECT_EQ(g_machineStatus, STATE_PAUSED);
    EXPECT_TRUE(fakeusb::Transfers().empty());
    EXPECT_NE(usb.LastError().find("no controller"), std::string::npos);
    uint8_t reply[2] = {7, 7};
    EXPECT_EQ(usb.Query(CMD_POSITION, 1, reply, 2, reply), -1);
    EXPECT_EQ(usb.SendBulk(reply, 2), -1);
}

TEST_F(UsbLink, DeviceInUseOrUnopenableFails)
{
    CMyUSB usb;
    fakeusb::SetClaimFails(true);
    fakeusb::ClearEvents();
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1);
    // The handle whose claim failed is closed, not released.
    EXPECT_EQ(Ops(fakeusb::Events()), (std::vector<std::string>{"open", "claim", "close"}));

    fakeusb::SetClaimFails(false);
    fakeusb::SetOpenFails(true);
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1);
    fakeusb::SetOpenFails(false);
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), 0) << "the next exchange works again";
}

TEST_F(UsbLink, ReplugIsFoundAgainAfterTheScanThatSawOneChange)
{
    // The constructor's scan sees exactly one change: the controller arriving.
    fakeusb::Plug({});
    usb_find_devices();
    fakeusb::Plug({{USB_VENDOR_ID, USB_PRODUCT_ID}});
    CMyUSB usb;
    fakeusb::ClearEvents();
    ASSERT_EQ(usb.SendCommand(CMD_STATUS), 0);
    EXPECT_EQ(Ops(fakeusb::Events()).size(), fakeusb::Events().size()) << "no rescan while it works";

    fakeusb::Plug({});  // unplugged: the bus list still shows it
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1);
    fakeusb::Plug({{USB_VENDOR_ID, USB_PRODUCT_ID}});  // replugged as a new device
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), 0) << "a failure makes the next exchange scan the busses again";
}

TEST_F(UsbLink, ReplyLengthsAreExact)
{
    CMyUSB usb;
    uint8_t reply[52];
    std::fill(std::begin(reply), std::end(reply), 0xEE);
    const uint8_t ask[1] = {52};

    fakeusb::QueueRead(std::vector<uint8_t>(51, 1));
    EXPECT_EQ(usb.Query(CMD_READ_PARAMS, 1, ask, 52, reply), -1) << "51 of 52 bytes";
    EXPECT_EQ(reply[0], 0xEE) << "a failed query leaves the caller's buffer alone";
    EXPECT_EQ(fakeusb::Transfers().back().size, 52) << "the read asks for exactly the reply length";

    std::vector<uint8_t> block(52);
    for (int i = 0; i < 52; ++i)
        block[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
    fakeusb::SetBlock(block);
    g_machineStatus = STATE_PAUSED;
    ASSERT_EQ(usb.Query(CMD_READ_PARAMS, 1, ask, 52, reply), 0);
    EXPECT_EQ(std::vector<uint8_t>(reply, reply + 52), block);
    EXPECT_EQ(g_machineStatus, STATE_PAUSED) << "a query does not touch the status";

    fakeusb::QueueRead({1, 2});
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1) << "a status reply of two bytes";
    fakeusb::QueueReadError(-110);
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1) << "the reply timed out";
    fakeusb::QueueWriteResult(1);
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), -1) << "the packet was cut short";
    EXPECT_EQ(fakeusb::Transfers().back().op, "write") << "no read follows a failed write";
    EXPECT_EQ(g_machineStatus, STATE_PAUSED);

    fakeusb::SetStatus(STATE_READY);
    EXPECT_EQ(usb.SendCommand(CMD_STATUS), 0) << "the exchange after the faults works";
    EXPECT_EQ(g_machineStatus, STATE_READY);
}

TEST_F(UsbLink, PacketOfSixtyTwoBytesIsTheLargest)
{
    CMyUSB usb;
    std::vector<uint8_t> payload(63, 0x5A);
    ASSERT_EQ(usb.SendCommandData(99, 62, payload.data()), 0);
    const Event write = fakeusb::Transfers().at(0);
    ASSERT_EQ(write.size, 64);
    EXPECT_EQ(write.data[0], 64);
    EXPECT_EQ(write.data[1], 99);
    EXPECT_EQ(write.data[63], 0x5A);

    fakeusb::ClearEvents();
    EXPECT_EQ(usb.SendCommandData(99, 63, payload.data()), -1);
    EXPECT_EQ(usb.SendCommandData(99, 300, payload.data()), -1) << "never truncated to 8 bits (300 is 44)";
    uint8_t reply[65];
    EXPECT_EQ(usb.Query(CMD_POSITION, 1, payload.data(), 65, reply), -1);
    EXPECT_TRUE(fakeusb::Transfers().empty()) << "nothing is sent for a packet that cannot exist";
}

TEST_F(UsbLink, BulkIsOneWriteRoundedUpToSixtyFourWithZeroPadding)
{
    CMyUSB usb;
    std::vector<uint8_t> data(100, 0xAB);  // exactly 100 bytes: a read past them is a fault
    fakeusb::ClearEvents();
    EXPECT_EQ(usb.SendBulk(data.data(), 100), 100);
    auto t = fakeusb::Transfers();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].size, 128);
    EXPECT_EQ(t[0].timeout, 5000);
    EXPECT_EQ(t[0].endpoint, 0x02);
    EXPECT_EQ(std::vector<uint8_t>(t[0].data.begin(), t[0].data.begin() + 100), data);
    EXPECT_EQ(std::vector<uint8_t>(t[0].data.begin() + 100, t[0].data.end()), std::vector<uint8_t>(28, 0));

    data.resize(128, 0xCD);
    fakeusb::ClearEvents();
    EXPECT_EQ(usb.SendBulk(data.data(), 128), 128);
    t = fakeusb::Transfers();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].size, 128);
    EXPECT_EQ(t[0].data, data);

    fakeusb::QueueWriteResult(64);
    EXPECT_EQ(usb.SendBulk(data.data(), 100), -1) << "half the data taken";
    fakeusb::QueueWriteResult(-110);
    EXPECT_EQ(usb.SendBulk(data.data(), 100), -1) << "timed out";
    EXPECT_EQ(usb.SendBulk(data.data(), 100), 100);
}

TEST_F(UsbLink, ExchangesOfTwoThreadsNeverInterleave)
{
    CMyUSB usb;
    fakeusb::SetPosition(-257);
    fakeusb::ClearEvents();
    std::atomic<int> failures{0};
    auto positions = [&] {
        for (int i = 0; i < 150; ++i) {
            uint8_t reply[2] = {};
            const uint8_t zero[1] = {0};
            if (usb.Query(CMD_POSITION, 1, zero, 2, reply) != 0 || PositionFromReply(reply) != -257)
                ++failures;
        }
    };
    auto statuses = [&] {
        for (int i = 0; i < 150; ++i)
            if (usb.SendCommand(CMD_STATUS) != 0)
                ++failures;
    };
    std::thread a(positions), b(statuses);
    a.join();
    b.join();
    EXPECT_EQ(failures, 0);
    const auto t = fakeusb::Transfers();
    ASSERT_EQ(t.size(), 600u);
    for (size_t i = 0; i < t.size(); i += 2) {
        ASSERT_EQ(t[i].op, "write");
        ASSERT_EQ(t[i + 1].op, "read") << "a packet is always followed by its own reply";
        EXPECT_EQ(t[i + 1].size, t[i].data[1] == CMD_POSITION ? 2 : 64);
    }
}

TEST_F(UsbLink, ParameterBlockReadAndSaveKeepTheReservedBytes)
{
    std::vector<uint8_t> block(52, 0);
    const ParamBlock sent = [] {
        ParamBlock p;
        p.feedPulsesPerMm = 61.25;
        p.xScale = 9990;
        p.startOffset = 0xFFFF;
        p.headOverlap = 3;
        p.reserved = {0xA1, 0xB2, 0xC3};
        return p;
    }();
    const auto bytes = sent.ToBytes();
    std::copy(bytes.begin(), bytes.end(), block.begin());
    std::fill(block.begin() + 36, block.end(), 0x77);  // ignored when read
    fakeusb::SetBlock(block);
    g_connected = 0;

    ASSERT_EQ(ReadParamBlock(), 0);
    EXPECT_EQ(g_connected, 1);
    EXPECT_EQ(g_settings.m_startOffset, 65535);
    EXPECT_EQ(g_settings.m_xScale, 9990);
    EXPECT_EQ(g_settings.m_feedPulsesPerMm, 61.25);

    g_settings.m_xScale = 70000;
    fakeusb::ClearEvents();
    ASSERT_EQ(SaveParamBlock(), 0);
    const Event write = fakeusb::Transfers().at(0);
    ASSERT_EQ(write.size, 54);
    EXPECT_EQ(write.data[1], CMD_WRITE_PARAMS);
    const ParamBlock stored = ParamBlock::FromBytes(write.data.data() + 2);
    EXPECT_EQ(stored.xScale, 4464) << "70000 truncated to 16 bits";
    EXPECT_EQ(stored.reserved, sent.reserved);
    EXPECT_EQ(std::vector<uint8_t>(write.data.begin() + 38, write.data.end()), std::vector<uint8_t>(16, 0));

    // A failed save reports once and sends nothing more.
    g_settings.m_language = 1;
    fakeusb::ClearEvents();
    fakeusb::QueueReadError(-110);
    std::string message;
    EXPECT_EQ(SaveParamBlock(&message), -1);
    EXPECT_EQ(message, "Failed To Save Parameter!");
    EXPECT_EQ(fakeusb::Transfers().size(), 2u);
    g_settings.m_language = 0;
    g_settings.m_xScale = 10000;

    fakeusb::QueueRead(std::vector<uint8_t>(51, 0));
    g_connected = 0;
    EXPECT_EQ(ReadParamBlock(), -1);
    EXPECT_EQ(g_connected, 0) << "a short block changes nothing";
}

TEST_F(UsbLink, FacadeFollowsTheLinkSettingAtEveryCall)
{
    linktest::LoopbackController sim;
    fakeusb::SetStatus(STATE_CLEANING);
    ASSERT_EQ(g_commu.SendCommand(CMD_STATUS), 0);
    EXPECT_EQ(g_machineStatus, STATE_CLEANING) << "USB";
    EXPECT_EQ(g_commu.LinkName(), "USB");

    g_settings.m_useEthernet = 1;
    fakeusb::ClearEvents();
    ASSERT_EQ(g_commu.SendCommand(CMD_STATUS), 0);
    EXPECT_EQ(g_machineStatus, STATE_READY) << "the simulated controller over TCP";
    EXPECT_TRUE(fakeusb::Events().empty());
    EXPECT_EQ(g_commu.LinkName(), "TCP 127.0.0.1:" + std::to_string(sim.server.Port()));

    g_settings.m_useEthernet = 0;
    ASSERT_EQ(g_commu.SendCommand(CMD_STATUS), 0);
    EXPECT_EQ(g_machineStatus, STATE_CLEANING);
    EXPECT_EQ(QueryPosition(), 0);
}
