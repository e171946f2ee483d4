#include "sim/sim_session.h"

#include <algorithm>

#include "device/protocol.h"

namespace vexa::sim {

void SimSession::FlushSkipped()
{
    if (m_skipped > 0)
        m_controller.NoteSkippedBytes(m_skipped);
    m_skipped = 0;
}

void SimSession::OnBytes(std::span<const uint8_t> data, std::vector<SimOutput>& out)
{
    using DataState = SimController::DataState;
    size_t i = 0;
    while (i < data.size()) {
        const DataState state = m_controller.SwathDataState();
        if (state != DataState::None) {
            // Swath data starts with the zero word of its blank records, and
            // padding is zero: a length byte at the start of a chunk means the
            // host sends packets again (it missed the grant, or the swath is done).
            if (!m_inChunk && state != DataState::Receiving && data[i] >= 2 && data[i] <= PACKET_MAX_BYTES) {
                m_controller.AbandonSwathData("a packet came instead of swath data");
                continue;
            }
            m_inChunk = true;
            const size_t take = std::min(TCP_BULK_CHUNK - m_pending.size(), data.size() - i);
            m_pending.insert(m_pending.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                             data.begin() + static_cast<std::ptrdiff_t>(i + take));
            i += take;
            if (m_pending.size() == static_cast<size_t>(TCP_BULK_CHUNK)) {
                out.push_back(m_controller.HandleChunk(m_pending));
                m_pending.clear();
                m_inChunk = false;
            }
            continue;
        }
        if (m_inChunk) {
            m_pending.clear();  // a chunk cut short by the end of the transfer
            m_inChunk = false;
        }
        if (m_pending.empty() && (data[i] < 2 || data[i] > PACKET_MAX_BYTES)) {
            ++m_skipped;
            ++i;
            continue;
        }
        FlushSkipped();
        const size_t length = m_pending.empty() ? data[i] : m_pending[0];
        const size_t take = std::min(length - m_pending.size(), data.size() - i);
        m_pending.insert(m_pending.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                         data.begin() + static_cast<std::ptrdiff_t>(i + take));
        i += take;
        if (m_pending.size() == length) {
            out.push_back(m_controller.HandlePacket(m_pending[1], std::span(m_pending).subspan(2)));
            m_pending.clear();
        }
    }
    FlushSkipped();
}

void SimSession::OnClose()
{
    FlushSkipped();
    m_controller.AbandonSwathData("the connection closed");
    m_pending.clear();
    m_inChunk = false;
}

}  // namespace vexa::sim
