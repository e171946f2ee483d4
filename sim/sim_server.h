#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "sim/sim_controller.h"

namespace vexa::sim {

// The simulated controller on TCP: listens on 127.0.0.1 only and serves one
// client at a time on its own thread; others wait until it disconnects.
class SimServer {
public:
    explicit SimServer(SimController& controller) : m_controller(controller) {}
    ~SimServer() { Stop(); }
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Listens on port (0 picks a free one). Returns an error message.
    std::string Start(int port);
    // The port listened on.
    int Port() const { return m_port; }
    // Closes the connections and ends the thread. Safe to repeat.
    void Stop();

private:
    void Run();
    void Serve(int fd);
    // Waits ms, or until Stop or the client hangs up; false then.
    bool Pause(int ms, int client);

    SimController& m_controller;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<int> m_port{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace vexa::sim
