#pragma once
// A plotter on loopback and the program around it: the simulated controller
// in-process, the real monitor and plot threads, the job rules, and a
// notification loop run by the test's thread.
#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "centre/job_centre.h"
#include "app/settings.h"
#include "device/frame_queue.h"
#include "device/link_state.h"
#include "device/monitor_thread.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "sim/sim_server.h"
#include "tests/support/test_support.h"

namespace vexa::test {
class Rig {
public:
    explicit Rig(sim::SimConfig config = {})
        : sim(Configure(config)), server(sim),
          centre(doc, [this](const CJobCentre::Event& e) { events.push_back(e); }),
          queue(
              [this](int m, int w) {
                  if (beforeHandle)
                      beforeHandle(m);
                  centre.Handle(m, w);
              },
              [this](const std::string& t) {
                  if (beforeMessage)
                      beforeMessage(t);
                  messages.push_back(t);
              })
    {
        EXPECT_EQ(sim.Start(), "");
        EXPECT_EQ(server.Start(0), "");
        g_settings.m_useEthernet = 1;
        g_settings.m_controllerIp = htonl(INADDR_LOOPBACK);
        g_settings.m_controllerPort = server.Port();
        g_settings.m_hotFolder = dir.path().string() + "/hot/";
        g_settings.m_lastTaskPath = dir.file("Last.vxtask");
        g_settings.m_autoStart = 1;
        g_settings.m_pageWidth = 2000;
        g_settings.m_wideMode = 1;
        g_settings.m_pendingCommand = 0;
        // What an earlier test's controller left behind.
        g_connected = 0;
        g_machineStatus = STATE_INIT;
        g_currentSwath = 0;
        g_plotProgress = 0;
    }
    ~Rig() { Stop(); }

    void Start() { StartWorkerThreads(queue); }
    void Stop()
    {
        if (m_stopped)
            return;
        m_stopped = true;
        StopWorkerThreads(queue);
        server.Stop();
    }

    // Runs the notification loop until done() or the time is up.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            queue.Pump(5);
        }
        return true;
    }

    // A job from HP-GL text, laid out as an import does.
    std::unique_ptr<COnePage> Job(const std::string& hpgl, int copies = 1)
    {
        const std::string path = dir.file("job" + std::to_string(m_files++) + ".plt");
        WriteFile(path, hpgl);
        HpglImport imported = ImportHpglFile(path);
        EXPECT_TRUE(imported.page) << imported.error;
        imported.page->m_copies = copies;
        return std::move(imported.page);
    }

    bool Has(CJobCentre::Event::Kind kind) const
    {
        for (const auto& e : events)
            if (e.kind == kind)
                return true;
        return false;
    }

    TempDir dir;
    sim::SimController sim;
    sim::SimServer server;
    CVexaDoc doc;
    std::vector<CJobCentre::Event> events;
    std::vector<std::string> messages;
    // Runs on the notification loop's thread before each notification is
    // handled, while the worker thread that sent it waits.
    std::function<void(int message)> beforeHandle;
    // The same for a message to the operator.
    std::function<void(const std::string& text)> beforeMessage;
    CJobCentre centre;
    CFrameQueue queue;

private:
    sim::SimConfig Configure(sim::SimConfig config)
    {
        config.outputDir.clear();  // no files: the tests look at the dots in memory
        return config;
    }
    bool m_stopped = false;
    int m_files = 0;
};
}  // namespace vexa::test
