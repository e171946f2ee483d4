#pragma once
#include <QMainWindow>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "centre/job_centre.h"
#include "device/frame_messages.h"
#include "model/vexa_doc.h"

class CMyDlgBar;
class CMyListView;
class CVexaView;
class QAction;
class QDockWidget;
class QLabel;
class QSplitter;
class QSystemTrayIcon;

// The application's only window: the job list above the preview, the control
// bar at the right, menus, toolbar, status bar and tray icon. The worker
// threads reach it through IFrameNotify with blocking queued calls; the rules
// of the job list run in the job centre, the window shows their outcome.
class CMainFrame : public QMainWindow, public IFrameNotify {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // IFrameNotify, called by the worker threads.
    void Send(int message, int wParam) override;
    void ShowMessage(const std::string& text) override;

    // The monitor thread (and with it the job advance) runs from here on.
    void StartWorkers();
    // Ends them; later notifications are ignored.
    void StopWorkers();

    vexa::CJobCentre& Centre() { return m_centre; }
    CVexaDoc& Doc() { return m_doc; }
    CMyListView* ListView() const { return m_listView; }
    CVexaView* Preview() const { return m_preview; }
    CMyDlgBar* ControlBar() const { return m_controlBar; }
    QSplitter* Splitter() const { return m_mainSplitter; }
    QAction* Action(int id) const;

    // A task file given on the command line; the message when it cannot.
    std::string OpenStartTaskFile(const std::string& path);
    // Adds HP-GL files in order, as the add command does.
    void AddPlotFiles(const QStringList& paths);
    // The window in the foreground, restored; false while hidden in the tray.
    bool ShowFromElsewhere();
    void ShowCursorPosition(int x, int y);

    // Commands (public for the tests).
    void OnAddPlotFile();
    void OnOpenPlotFile();
    void OnTestPlot(int index);
    void OnOpenJobList();
    void OnSaveJobList();
    void OnExport();
    void OnLanguage(int language);
    void OnConnection(int useEthernet);
    void OnMachineParameters();
    void OnAbout();
    void OnHideWindow();
    void OnToggleControlBar();
    void OnStart();
    void OnPause();
    void OnDeleteTask();

    // Seam for the tests: the file dialogs' answer (empty: cancelled).
    std::function<QString(const QString& title, bool save, const QString& filter)> m_chooseFile;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void OnNotification(int message, int wParam);
    void OnCentreEvent(const vexa::CJobCentre::Event& event);
    void ShowPage0();
    void AfterListChange();
    QString ChooseFile(const QString& title, bool save, const QString& filter);
    void RestoreFromTray();

    CVexaDoc m_doc;
    vexa::CJobCentre m_centre;
    CMyListView* m_listView = nullptr;
    CVexaView* m_preview = nullptr;
    CMyDlgBar* m_controlBar = nullptr;
    QDockWidget* m_controlDock = nullptr;
    QSplitter* m_mainSplitter = nullptr;
    QLabel* m_cursorLabel = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    std::map<int, QAction*> m_actions;
    QString m_taskFilePath;  // the job list last opened or saved
    int m_controlBarVisible = 1;
    bool m_listChanged = false;
    int m_handling = 0;          // depth of notifications being handled
    bool m_closePending = false;  // a close asked for while handling one
    bool m_workersRunning = false;
    std::atomic<bool> m_closing{false};
};
