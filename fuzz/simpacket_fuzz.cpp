// Any bytes a client sends the simulated controller are answered or skipped,
// never a crash, a hang or memory beyond what the bytes describe; every reply
// is one the protocol allows, and a printed swath decodes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sim/sim_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vexa::sim::SimConfig config;
    config.initExchanges = 0;
    config.processingExchanges = 1;
    config.finishingExchanges = 1;
    config.errorExchanges = 1;
    config.logLines = 16;
    vexa::sim::SimController controller(config);
    std::vector<vexa::sim::SimOutput> out;
    {
        vexa::sim::SimSession session(controller);
        // The bytes arrive in pieces whose sizes the input also chooses.
        size_t i = 0;
        while (i < size) {
            const size_t piece = std::min<size_t>(1 + data[i] % 131, size - i);
            session.OnBytes(std::span<const uint8_t>(data + i, piece), out);
            i += piece;
        }
    }
    for (const auto& o : out)
        if (o.kind != vexa::sim::SimOutput::Send || o.bytes.empty() || o.bytes.size() > 64)
            std::abort();
    for (const auto& job : controller.Jobs()) {
        if (job->rows > 2000)
            continue;
        for (int k = 0; k < job->swathCount && k < 4; ++k)
            if (!job->streams[static_cast<size_t>(k)].empty() &&
                job->Swath(k).dots.size() != static_cast<size_t>(job->rows) * static_cast<size_t>(job->SwathWidth()))
                std::abort();
    }
    return 0;
}
