#include "sim/sim_in_process.h"

#include <arpa/inet.h>

#include "app/settings.h"
#include "sim/sim_controller.h"
#include "sim/sim_server.h"

namespace vexa::sim {
InProcessSimulator::InProcessSimulator() = default;

InProcessSimulator::~InProcessSimulator()
{
    Stop();
}

std::string InProcessSimulator::Start(const std::string& outputDir)
{
    SimConfig config;
    config.outputDir = outputDir;
    config.cartridge1OnRight = g_settings.m_cartridge1OnRight != 0;
    m_controller = std::make_unique<SimController>(config);
    if (std::string error = m_controller->Start(); !error.empty())
        return "the simulator: " + error;
    m_server = std::make_unique<SimServer>(*m_controller);
    if (std::string error = m_server->Start(0); !error.empty())
        return "the simulator: " + error;
    g_settings.m_useEthernet = 1;
    g_settings.m_controllerIp = htonl(INADDR_LOOPBACK);
    g_settings.m_controllerPort = m_server->Port();
    return {};
}

std::vector<std::string> InProcessSimulator::Stop()
{
    std::vector<std::string> images;
    if (m_server)
        m_server->Stop();
    if (m_controller) {
        // The printed images are written on the simulator's own thread.
        m_controller->WaitForJobs(m_controller->Jobs().size(), 60000);
        for (const auto& job : m_controller->Jobs())
            if (!job->pngPath.empty())
                images.push_back(job->pngPath);
    }
    m_server.reset();
    m_controller.reset();
    return images;
}
}  // namespace vexa::sim
