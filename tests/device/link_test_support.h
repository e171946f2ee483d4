#pragma once
// Shared pieces of the link tests: a simulated controller on a loopback
// port that the TCP link is pointed at, and swath streams built by hand.
#include <arpa/inet.h>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/settings.h"
#include "device/my_eth.h"
#include "sim/sim_server.h"

namespace linktest {

// 127.0.0.1, first octet in the lowest byte as the settings hold it.
constexpr uint32_t LOOPBACK = 0x0100007Fu;

// A simulated controller on a free loopback port, with g_settings pointed at
// it and the TCP link (g_eth) on short time limits.
class LoopbackController {
public:
    explicit LoopbackController(vexa::sim::SimConfig config = QuickConfig());
    ~LoopbackController();
    static vexa::sim::SimConfig QuickConfig();

    vexa::sim::SimController controller;
    vexa::sim::SimServer server{controller};

private:
    EthTimeouts m_oldTimeouts;
};

// The zero-run stream of a swath of `rows` rows: the 30 blank records as one
// run, then `literal` nonzero words, then the rest as zero runs. Its length
// is 4 + 2 * literal + 4 * (runs after it) bytes.
std::vector<uint8_t> MakeStream(int rows, int literal, uint16_t value = 0x1111);

}  // namespace linktest
