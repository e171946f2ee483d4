#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/sim_controller.h"

namespace vexa::sim {

// One client connection's bytes, cut into packets and swath data chunks for
// the controller. Any byte sequence is taken: a length byte that no packet
// can have is skipped, and nothing is buffered beyond one chunk.
class SimSession {
public:
    explicit SimSession(SimController& controller) : m_controller(controller) {}
    ~SimSession() { OnClose(); }
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    // Appends the replies to send, in order.
    void OnBytes(std::span<const uint8_t> data, std::vector<SimOutput>& out);
    // The connection ended: swath data still due is given up.
    void OnClose();

private:
    void FlushSkipped();

    SimController& m_controller;
    std::vector<uint8_t> m_pending;  // a packet or a chunk not yet complete
    bool m_inChunk = false;          // m_pending is a chunk
    size_t m_skipped = 0;
};

}  // namespace vexa::sim
