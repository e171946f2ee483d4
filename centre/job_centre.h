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

    // The window's commands. Those that can be refused or fail return the
    // message to show the operator (in the language of m_language where the
    // design gives two), or an empty string.
    static bool JobRunning();
    // Reads an HP-GL file and appends it as a job; a file that draws nothing
    // is dropped without a word.
    std::string AddPlotFile(const std::string& path);
    // The same, replacing the list; refused while a job runs.
    std::string OpenPlotFile(const std::string& path);
    // Test plot index 0..5 ("10x10.plt" ... "30x150.plt"): empties the list,
    // then adds it, found in m_appDir/TestPlt/ or the installed data.
    std::string OpenTestPlot(int index);
    static std::string TestPlotPath(int index);
    static constexpr int TEST_PLOT_COUNT = 6;
    static const char* const TEST_PLOT_NAMES[TEST_PLOT_COUNT];
    // A task file replaces the list; refused while a job runs.
    std::string OpenTaskFile(const std::string& path);
    std::string SaveTaskFile(const std::string& path);
    // The name the export writes: ".plt" appended unless the chosen name
    // ends with it (any case) after at least one more character.
    static std::string ExportPath(const std::string& chosen);
    std::string ExportList(const std::string& chosen);

    // The control bar's pause and delete-task buttons (start is Start()).
    void Pause();
    void DeleteTask();

    // The list view's commands, on the job at row (nothing without one).
    void SetCopies(int row, int copies);
    void SetStartMode(int row, bool automatic);
    std::string SplitAlongX(int row, int mm);
    std::string PaginateAlongY(int row, int mm);
    std::string SetStartPosition(int row, int mm);
    void Rotate(int row);
    void MoveToFront(int row);
    // Removes the job at row; select is the row to select afterwards, or -1.
    std::string DeleteJob(int row, int& select);
    // The refusal of clearing the list (while a job runs), or empty: the
    // window then asks its question and calls Clear.
    std::string ClearRefusal() const;
    void Clear();

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
