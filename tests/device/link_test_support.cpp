#include "tests/device/link_test_support.h"

#include <gtest/gtest.h>

#include "app/time_scale.h"
#include "device/protocol.h"

namespace linktest {
namespace {
// Every test of this executable talks only to 127.0.0.1 and never sleeps
// for the fixed waits of the worker threads.
class LinkEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        g_settings.m_controllerIp = LOOPBACK;
        g_settings.m_controllerPort = 1;  // nothing listens there until a test says so
        vexa::SetTimeScale(0);
    }
};
[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new LinkEnvironment);

void PutWord(std::vector<uint8_t>& s, uint16_t w)
{
    s.push_back(static_cast<uint8_t>(w));
    s.push_back(static_cast<uint8_t>(w >> 8));
}
}  // namespace

vexa::sim::SimConfig LoopbackController::QuickConfig()
{
    vexa::sim::SimConfig c;
    c.initExchanges = 0;
    c.processingExchanges = 1;
    c.finishingExchanges = 1;
    c.cleaningExchanges = 1;
    c.errorExchanges = 1;
    return c;
}

LoopbackController::LoopbackController(vexa::sim::SimConfig config) : controller(std::move(config))
{
    if (const std::string error = controller.Start(); !error.empty())
        ADD_FAILURE() << error;
    if (const std::string error = server.Start(0); !error.empty())
        ADD_FAILURE() << error;
    g_settings.m_controllerIp = LOOPBACK;
    g_settings.m_controllerPort = server.Port();
    m_oldTimeouts = g_eth.Timeouts();
    EthTimeouts quick;
    quick.connectMs = 500;
    quick.replyMs = 150;  // a reply on loopback takes microseconds; a dropped one costs this
    g_eth.SetTimeouts(quick);
    g_eth.Disconnect();
}

LoopbackController::~LoopbackController()
{
    g_eth.Disconnect();
    server.Stop();
    g_eth.SetTimeouts(m_oldTimeouts);
    g_settings.m_controllerPort = 1;
}

std::vector<uint8_t> MakeStream(int rows, int literal, uint16_t value)
{
    std::vector<uint8_t> s;
    PutWord(s, 0);
    PutWord(s, 30 * 22);
    int left = rows * 22;
    for (int i = 0; i < literal && left > 0; ++i, --left)
        PutWord(s, value);
    while (left > 0) {
        const int run = left > 65000 ? 65000 : left;
        PutWord(s, 0);
        PutWord(s, static_cast<uint16_t>(run));
        left -= run;
    }
    return s;
}

}  // namespace linktest
