#pragma once
#include <memory>
#include <string>
#include <vector>

namespace vexa::sim {
class SimController;
class SimServer;

// A simulated controller in this process on a free loopback port, with the
// settings pointed at it: what `--sim` gives both front ends.
class InProcessSimulator {
public:
    InProcessSimulator();
    ~InProcessSimulator();
    InProcessSimulator(const InProcessSimulator&) = delete;
    InProcessSimulator& operator=(const InProcessSimulator&) = delete;

    // Starts it, writing printed images into outputDir (empty: none), and
    // makes the TCP link of g_settings point at it. Returns an error message.
    std::string Start(const std::string& outputDir);
    // Stops it after the images of the jobs that ended are written; returns
    // their paths.
    std::vector<std::string> Stop();
    SimController* Controller() { return m_controller.get(); }

private:
    std::unique_ptr<SimController> m_controller;
    std::unique_ptr<SimServer> m_server;
};
}  // namespace vexa::sim
