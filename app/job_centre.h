#pragma once
#include <functional>
#include <string>

#include "app/hot_folder.h"
#include "device/plot_job.h"
#include "model/vexa_doc.h"

namespace vexa {
// The main window's rules for the job list, without a window: what happens
// on the worker threads' four notifications (job advance, hot-folder scan,
// automatic start, task hand-over), the start command and the close
// hand-over. The GUI and the command-line tool both run it on the thread
// that owns the job list.
class CJobCentre {
public:
    struct Event {
        enum Kind {
            FILE_IMPORTED,
            FILE_REJECTED,
            FILE_FAILED,
            JOB_STARTED,
            JOB_REFUSED,
            JOB_DONE,
            JOB_ABORTED,
            LIST_LOADED,
            LIST_LOAD_FAILED,
            LIST_SAVED,
            MESSAGE,
        } kind;
        std::string text;
    };
    using EventSink = std::function<void(const Event&)>;

    explicit CJobCentre(CVexaDoc& doc, EventSink sink = {});

    // Runs one notification of the worker threads.
    void Handle(int message, int wParam);
    void OnPlotFinished(int result);
    void OnMonitorTick();
    void OnMachineIdle();
    void OnTaskFileFound();

    // The start button: resume a paused machine, or start page 0 when the
    // machine is ready, no job runs and the list is not empty.
    void Start();
    // Leaves the job list in "Last.vxtask" when it is not empty and stops
    // the automatic starts; true when nothing was lost.
    bool Close();

    CVexaDoc& Doc() { return m_doc; }

private:
    void Emit(Event::Kind kind, const std::string& text);
    void StartPage0();

    CVexaDoc& m_doc;
    EventSink m_sink;
    CHotFolder m_hot;
};
}  // namespace vexa
