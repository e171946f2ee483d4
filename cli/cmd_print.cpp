// vexagrid-cli print and serve: jobs printed by the real monitor and plot
// threads, with the job list's rules, from a terminal or as a service.
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <termios.h>
#include <unistd.h>

#include "centre/job_centre.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/time_scale.h"
#include "cli/print_session.h"
#include "device/frame_queue.h"
#include "device/link_state.h"
#include "device/monitor_thread.h"
#include "device/my_commu.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "device/status_text.h"
#include "hpgl/hpgl_import.h"
#include "model/page_layout.h"
#include "sim/sim_in_process.h"

namespace cli {
namespace {
std::atomic<int> s_interrupts{0};
std::atomic<int> s_terminate{0};
std::atomic<int> s_pauseRequest{0};  // UI_PAUSE or UI_RESUME

extern "C" void OnSignal(int sig)
{
    if (sig == SIGINT)
        s_interrupts.fetch_add(1);
    else if (sig == SIGTERM)
        s_terminate.store(1);
    else if (sig == SIGUSR1)
        s_pauseRequest.store(UI_PAUSE);
    else if (sig == SIGUSR2)
        s_pauseRequest.store(UI_RESUME);
}

void InstallSignals()
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaction(sig, &sa, nullptr);
}

std::string Timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

// Keys on a terminal: p pauses, r resumes. The terminal is put back as it was.
class Keys {
public:
    Keys()
    {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios raw = m_saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~Keys()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    int Read() const
    {
        char c = 0;
        return m_active && read(STDIN_FILENO, &c, 1) == 1 ? c : 0;
    }

private:
    termios m_saved{};
    bool m_active = false;
};

const char* EventWord(vexa::CJobCentre::Event::Kind kind)
{
    using E = vexa::CJobCentre::Event;
    switch (kind) {
    case E::FILE_IMPORTED: return "imported";
    case E::FILE_REJECTED: return "rejected";
    case E::FILE_FAILED: return "failed";
    case E::FILE_SKIPPED: return "skipped";
    case E::JOB_STARTED: return "started";
    case E::JOB_REFUSED: return "refused";
    case E::JOB_DONE: return "done";
    case E::JOB_ABORTED: return "aborted";
    case E::LIST_LOADED: return "job list loaded";
    case E::LIST_LOAD_FAILED: return "job list not loaded";
    case E::LIST_SAVED: return "job list saved";
    case E::MESSAGE: return "note";
    }
    return "note";
}

// The worker threads and the loop that serves their notifications.
class Session {
public:
    Session()
        : m_centre(m_doc, [this](const vexa::CJobCentre::Event& e) { OnEvent(e); }),
          m_queue([this](int message, int wParam) { m_centre.Handle(message, wParam); },
                  [this](const std::string& text) { Log(text); })
    {
    }
    ~Session() { Stop(); }

    CVexaDoc& Doc() { return m_doc; }
    vexa::CJobCentre& Centre() { return m_centre; }

    void Start() { StartWorkerThreads(m_queue); }
    void Stop()
    {
        if (!m_stopped)
            StopWorkerThreads(m_queue);
        m_stopped = true;
    }
    void Pump(int ms) { m_queue.Pump(ms); }

    void Log(const std::string& text)
    {
        ClearProgress();
        std::fprintf(stderr, "%s %s\n", Timestamp().c_str(), text.c_str());
    }

    // The progress line on a terminal, a log line every 10 % otherwise.
    void ShowProgress()
    {
        const int total = g_swathCount;
        if (!g_plotThread || total <= 0)
            return;
        const int done = std::min(g_currentSwath.load(), total);
        const int copies = m_doc.GetPageCount() > 0 ? m_doc.GetPage(0)->m_copies : 0;
        const std::string status = CurrentStatusText().text;
        if (isatty(STDERR_FILENO)) {
            const int width = 30, filled = done * width / total;
            std::fprintf(stderr, "\r[%s%s] swath %d of %d, copies left %d, %s   ", std::string(filled, '#').c_str(),
                         std::string(width - filled, '.').c_str(), std::min(done + 1, total), total, copies,
                         status.c_str());
            m_progressShown = true;
        } else {
            const int tenth = done * 10 / total;
            if (tenth != m_lastTenth && tenth < 10) {
                m_lastTenth = tenth;
                Log("progress " + std::to_string(tenth * 10) + " %: swath " + std::to_string(done) + " of "
                    + std::to_string(total));
            }
        }
    }

    int Aborted() const { return m_aborted; }
    int Refused() const { return m_refused; }

private:
    void ClearProgress()
    {
        if (m_progressShown) {
            std::fputs("\r\033[K", stderr);
            m_progressShown = false;
        }
    }
    void OnEvent(const vexa::CJobCentre::Event& e)
    {
        using E = vexa::CJobCentre::Event;
        if (e.kind == E::JOB_ABORTED)
            ++m_aborted;
        if (e.kind == E::JOB_REFUSED)
            ++m_refused;
        if (e.kind == E::JOB_STARTED || e.kind == E::JOB_DONE || e.kind == E::JOB_ABORTED)
            m_lastTenth = -1;
        Log(std::string(EventWord(e.kind)) + ": " + e.text);
    }

    CVexaDoc m_doc;
    vexa::CJobCentre m_centre;
    CFrameQueue m_queue;
    bool m_stopped = false;
    bool m_progressShown = false;
    int m_lastTenth = -1;
    int m_aborted = 0;
    int m_refused = 0;
};

// Forwards a pause or resume asked for by key or signal.
void ForwardPauseRequests(const Keys& keys, Session& session)
{
    int code = s_pauseRequest.exchange(0);
    switch (keys.Read()) {
    case 'p':
        code = UI_PAUSE;
        break;
    case 'r':
        code = UI_RESUME;
        break;
    default:
        break;
    }
    if (code) {
        g_settings.PostCommand(code);
        session.Log(code == UI_PAUSE ? "pause requested" : "resume requested");
    }
}

// The simulator of --sim, running in this process for the session.
vexa::sim::InProcessSimulator s_simulator;

// How long a link may stay silent before print gives up on it.
constexpr int CONNECT_TIMEOUT_MS = 30000;
}  // namespace

void LinkOptions::AddTo(CLI::App* command)
{
    auto* group = command->add_option_group("link", "Where the controller is");
    group->add_option("--tcp", tcp, "Controller address, HOST:PORT (IPv4)");
    group->add_flag("--usb", usb, "Controller on USB");
    group->add_flag("--sim", sim, "A simulated controller in this process, on a free loopback port");
    group->require_option(1);
    command->add_option("--out", simOut, "Where --sim writes the printed images (default: next to the input)");
    command->add_option("--time-scale", timeScale,
                        "With --sim: factor of the program's fixed waits (1 as on a real plotter, 0 skips them)")
        ->check(CLI::Range(0.0, 1000.0));
}

void LinkOptions::Disconnect()
{
    int number = 0;
    for (const std::string& image : s_simulator.Stop())
        std::fprintf(stderr, "%s printed image of job %d: %s\n", Timestamp().c_str(), ++number, image.c_str());
}

std::string LinkOptions::Connect()
{
    // The fixed waits pace a real plotter; only a simulated one may skip them.
    if (timeScale && !sim)
        return "--time-scale works only with --sim: a real controller needs the program's waits";
    if (usb) {
        g_settings.m_useEthernet = 0;
        return {};
    }
    if (sim) {
        vexa::SetTimeScale(timeScale.value_or(1.0));
        return s_simulator.Start(simOut.empty() ? std::string(".") : simOut);
    }
    const size_t colon = tcp.rfind(':');
    in_addr address{};
    if (colon == std::string::npos || inet_pton(AF_INET, tcp.substr(0, colon).c_str(), &address) != 1)
        return "--tcp needs an IPv4 address and a port, as 127.0.0.1:5289";
    int port = 0;
    try {
        port = std::stoi(tcp.substr(colon + 1));
    } catch (const std::exception&) {
        port = 0;
    }
    if (port <= 0 || port > 65535)
        return "--tcp needs a port from 1 to 65535";
    g_settings.m_useEthernet = 1;
    g_settings.m_controllerIp = address.s_addr;  // network order: first octet in the lowest byte
    g_settings.m_controllerPort = port;
    return {};
}

int Print(const std::vector<std::string>& files, int copies, int startAt, LinkOptions& link)
{
    LayoutOptions{}.LoadSettings();
    // This run prints the files given, nothing from the hot folder or a hand-over.
    g_settings.m_hotFolder.clear();
    g_settings.m_lastTaskPath.clear();
    if (link.simOut.empty() && !files.empty()) {
        const size_t slash = files.front().find_last_of('/');
        link.simOut = slash == std::string::npos ? "." : files.front().substr(0, slash);
    }
    if (std::string error = link.Connect(); !error.empty())
        return Fail("print", error);

    InstallSignals();
    Session session;
    for (const std::string& file : files) {
        HpglImport imported = ImportHpglFile(file);
        if (!imported.page) {
            link.Disconnect();
            return Fail(file, imported.error);
        }
        if (std::string message = AcceptStartPosition(*imported.page, startAt); !message.empty()) {
            link.Disconnect();
            return Fail(file, message);
        }
        imported.page->m_copies = copies;
        imported.page->m_autoState = AUTO_STATE_YES;
        session.Doc().AddPage(std::move(imported.page));
    }
    Keys keys;
    session.Start();
    session.Log("printing " + std::to_string(session.Doc().GetPageCount()) + " jobs on " + g_commu.LinkName());
    auto lastHeard = std::chrono::steady_clock::now();
    bool cancelling = false;
    int status = 0;
    while (true) {
        session.Pump(50);
        session.ShowProgress();
        ForwardPauseRequests(keys, session);
        if (s_interrupts.load() > 0 && !cancelling) {
            cancelling = true;
            status = 130;
            if (!g_plotThread)
                break;
            g_settings.PostCommand(UI_CANCEL);
            session.Log("cancelling: waiting for the controller to end the job (Ctrl-C again to leave at once)");
        }
        if (s_interrupts.load() > 1 || s_terminate.load())
            break;
        if (session.Refused() > 0 || (session.Aborted() > 0 && !g_plotThread)) {
            status = cancelling ? 130 : 1;
            break;
        }
        if (session.Doc().GetPageCount() == 0 && !g_plotThread)
            break;
        const auto now = std::chrono::steady_clock::now();
        if (g_connected || g_plotThread)
            lastHeard = now;
        else if (now - lastHeard > std::chrono::milliseconds(CONNECT_TIMEOUT_MS)) {
            session.Log("no controller answers on " + g_commu.LinkName());
            status = 1;
            break;
        }
    }
    session.Stop();
    link.Disconnect();
    return status;
}

int Serve(const std::string& hotFolder, LinkOptions& link)
{
    LayoutOptions{}.LoadSettings();
    if (!hotFolder.empty()) {
        // The checks of the INI's hot folder: every file there is taken away.
        const std::string folder = vexa::WithTrailingSlash(hotFolder);
        if (const std::string problem = g_settings.PlotFolderProblem(folder); !problem.empty())
            return Fail("serve", "cannot use " + hotFolder + " as the hot folder: " + problem);
        g_settings.m_hotFolder = folder;
    }
    if (std::string error = link.Connect(); !error.empty())
        return Fail("serve", error);
    InstallSignals();
    Session session;
    session.Start();
    session.Log("serving the hot folder " + g_settings.m_hotFolder + " on " + g_commu.LinkName());
    bool stopping = false;
    while (true) {
        session.Pump(100);
        if ((s_interrupts.load() > 0 || s_terminate.load()) && !stopping) {
            stopping = true;
            if (!g_plotThread)
                break;
            g_settings.PostCommand(UI_CANCEL);
            session.Log("stopping: the job in progress is cancelled and stays in the list");
        }
        if (stopping && (!g_plotThread || s_interrupts.load() > 1))
            break;
    }
    // The jobs left come back at the next start.
    session.Centre().Close();
    session.Stop();
    link.Disconnect();
    return 0;
}
}  // namespace cli
