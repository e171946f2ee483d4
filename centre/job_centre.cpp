#include "centre/job_centre.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "app/platform.h"
#include "app/settings.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/protocol.h"
#include "model/one_page.h"
#include "raster/swath_geometry.h"

namespace vexa {
CJobCentre::CJobCentre(CVexaDoc& doc, EventSink sink) : m_doc(doc), m_sink(std::move(sink)) {}

void CJobCentre::Emit(Event::Kind kind, const std::string& text)
{
    if (m_sink)
        m_sink({kind, text});
}

void CJobCentre::Handle(int message, int wParam)
{
    switch (message) {
    case WM_PLOT_FINISHED:
        OnPlotFinished(wParam);
        break;
    case WM_MONITOR_TICK:
        OnMonitorTick();
        break;
    case WM_MACHINE_IDLE:
        OnMachineIdle();
        break;
    case WM_TASK_FILE_FOUND:
        OnTaskFileFound();
        break;
    default:
        break;
    }
}

void CJobCentre::OnPlotFinished(int result)
{
    COnePage* job = m_doc.GetPage(0);
    const std::string name = job ? job->m_fileName : std::string();
    if (job && result == PLOT_DONE) {
        if (job->m_copies <= 1) {
            m_doc.RemovePage(0);
            Emit(Event::JOB_DONE, name + ": done, removed from the list");
        } else {
            --job->m_copies;
            job->m_startAt = 0;
            job->m_autoState = g_settings.m_autoStart == 1 ? AUTO_STATE_YES : AUTO_STATE_NO;
            Emit(Event::JOB_DONE, name + ": copy done, " + std::to_string(job->m_copies) + " left");
        }
    } else if (job && result == PLOT_ABORTED) {
        job->m_autoState = AUTO_STATE_NO;
        job->m_startAt = 0;
        Emit(Event::JOB_ABORTED, name + ": aborted at swath " + std::to_string(g_currentSwath.load() + 1) + " of "
                                     + std::to_string(g_swathCount.load()) + ", machine "
                                     + StateName(g_machineStatus.load()));
    }
    if (job && (result == PLOT_DONE || result == PLOT_ABORTED))
        g_plotPage.RemoveAllCurves();
    g_plotThread = 0;
    g_settings.m_pollEnabled = 1;
}

void CJobCentre::OnMonitorTick()
{
    const std::string folder = g_settings.m_hotFolder;
    if (folder.empty())
        return;
    std::vector<std::unique_ptr<COnePage>> jobs;
    std::vector<CHotFolder::Event> events;
    m_hot.Scan(folder.back() == '/' ? folder : folder + "/", jobs, events);
    for (auto& job : jobs)
        m_doc.AddPage(std::move(job));
    for (const auto& e : events) {
        switch (e.kind) {
        case CHotFolder::Event::IMPORTED:
            Emit(Event::FILE_IMPORTED, e.file);
            break;
        case CHotFolder::Event::REJECTED:
            Emit(Event::FILE_REJECTED, e.file + ": " + e.reason + " (moved to rejected/)");
            break;
        case CHotFolder::Event::FAILED:
            Emit(Event::FILE_FAILED, e.file + ": " + e.reason + " (tried again when the file changes)");
            break;
        case CHotFolder::Event::SKIPPED:
            Emit(Event::FILE_SKIPPED, e.file + ": " + e.reason);
            break;
        }
    }
}

void CJobCentre::OnMachineIdle()
{
    if (g_plotThread || g_settings.m_quit != 0)
        return;
    const COnePage* job = m_doc.GetPage(0);
    if (!job || job->m_autoState != AUTO_STATE_YES || g_machineStatus != STATE_READY)
        return;
    StartPage0();
}

void CJobCentre::OnTaskFileFound()
{
    const std::string path = g_settings.m_lastTaskPath;
    const std::optional<FileStamp> stamp = StampOfPath(path);
    if (!stamp || stamp == m_handOverKept)
        return;  // gone meanwhile, or taken already and it could not be removed
    m_handOverKept.reset();
    const std::string error = m_doc.LoadTaskFile(path);
    if (error.empty()) {
        Emit(Event::LIST_LOADED, std::to_string(m_doc.GetPageCount()) + " jobs from " + path);
        if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
            m_handOverKept = stamp;
            Emit(Event::MESSAGE, path + " cannot be removed (" + std::strerror(errno)
                                     + "): it is not loaded again until it changes.");
        }
        return;
    }
    // Kept aside under a name of its own, not destroyed and not loaded again.
    std::string why;
    if (const auto bad = RenameToFreeName(path, path + ".bad-" + FileTimeTag(), &why)) {
        Emit(Event::LIST_LOAD_FAILED, error + " (kept as " + *bad + ")");
    } else {
        m_handOverKept = stamp;
        Emit(Event::LIST_LOAD_FAILED,
             error + " (it cannot be moved aside: " + why + "; it is not loaded again until it changes)");
    }
}

void CJobCentre::StartPage0()
{
    const std::string name = m_doc.GetPage(0)->m_fileName;
    const StartJobResult result = StartJob(m_doc);
    if (result.started) {
        Emit(Event::JOB_STARTED, name + ": " + std::to_string(g_swathCount.load()) + " swaths of "
                                     + std::to_string(g_swathRows.load()) + " rows");
    } else if (!result.message.empty()) {
        // Refused for good: as an aborted job it waits for the operator, or
        // every idle report would refuse it again.
        m_doc.GetPage(0)->m_autoState = AUTO_STATE_NO;
        Emit(Event::JOB_REFUSED, name + ": " + result.message);
    } else {
        Emit(Event::JOB_REFUSED, name + ": the controller did not take the job header");
    }
}

void CJobCentre::Start()
{
    if (g_machineStatus == STATE_PAUSED) {
        g_settings.PostCommand(UI_RESUME);
        return;
    }
    if (g_machineStatus == STATE_READY && !g_plotThread && m_doc.GetPageCount() > 0)
        StartPage0();
}

bool CJobCentre::Close()
{
    bool kept = true;
    if (m_doc.GetPageCount() > 0) {
        const std::string path = g_settings.m_lastTaskPath;
        const std::string error = m_doc.SaveTaskFile(path);
        if (error.empty()) {
            Emit(Event::LIST_SAVED, std::to_string(m_doc.GetPageCount()) + " jobs left in " + path);
        } else {
            kept = !SaveListElsewhere(error).empty();
        }
    }
    g_settings.m_quit = 1;
    return kept;
}

std::string CJobCentre::SaveListElsewhere(const std::string& why)
{
    // A job list is never dropped: another name beside the hand-over file,
    // then the home and the temp directory. Only "Last.vxtask" comes back
    // by itself at the next start, so the event says where the list went.
    const std::string path = g_settings.m_lastTaskPath;
    const size_t slash = path.rfind('/');
    const std::string name = "Last-" + FileTimeTag() + ".vxtask";
    std::vector<std::string> dirs = {slash == std::string::npos ? std::string() : path.substr(0, slash + 1)};
    for (const char* variable : {"HOME", "TMPDIR"})
        if (const char* value = std::getenv(variable); value && *value)
            dirs.push_back(WithTrailingSlash(value));
    dirs.emplace_back("/tmp/");
    std::string errors = why;
    for (const std::string& dir : dirs) {
        std::string target = dir + name;
        for (int n = 1; access(target.c_str(), F_OK) == 0; ++n)
            target = dir + name + "." + std::to_string(n);
        const std::string error = m_doc.SaveTaskFile(target);
        if (error.empty()) {
            const std::string text = std::to_string(m_doc.GetPageCount()) + " jobs left in " + target + ", not in "
                                     + path + " (" + why + "); open that file to take them up again";
            Emit(Event::MESSAGE, text);
            return target;
        }
        errors += "; " + error;
    }
    Emit(Event::MESSAGE, "The job list could not be saved anywhere: " + errors);
    return {};
}
}  // namespace vexa
