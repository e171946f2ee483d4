#pragma once
#include <functional>
#include <optional>
#include <string>

#include "app/file_stamp.h"
#include "centre/hot_folder.h"
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
            FILE_SKIPPED,
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
    // the automatic starts; true when nothing was lost. When "Last.vxtask"
    // cannot be written the list goes under another name beside it (or, failing
    // that, in the home or temp directory) and the event says where.
    bool Close();

    CVexaDoc& Doc() { return m_doc; }

private:
    void Emit(Event::Kind kind, const std::string& text);
    void StartPage0();
    std::string SaveListElsewhere(const std::string& why);

    CVexaDoc& m_doc;
    EventSink m_sink;
    CHotFolder m_hot;
    // A hand-over file that was taken but could not be removed: the same
    // file is not loaded again (each load replaces the list) until it changes.
    std::optional<FileStamp> m_handOverKept;
};
}  // namespace vexa
