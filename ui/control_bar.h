#pragma once
#include <QWidget>

class QAbstractButton;
class QLabel;
class QProgressBar;
class QTimer;

// The control bar, docked at the right: the machine's state and carriage
// position, refreshed every 500 ms from the worker threads' values, and the
// operator's nine buttons. It never talks to the controller: start, pause and
// delete task go to the frame; clean, fan and jog post their codes into the
// mailbox.
class CMyDlgBar : public QWidget {
    Q_OBJECT
public:
    // Control ids of the buttons.
    enum : int {
        ID_FAN = 1004,
        ID_CLEAN = 1010,
        ID_START = 1011,
        ID_PAUSE = 1012,
        ID_DELETE_TASK = 1013,
        ID_JOG_UP = 1014,
        ID_JOG_DOWN = 1015,
        ID_JOG_LEFT = 1016,
        ID_JOG_RIGHT = 1017,
    };

    explicit CMyDlgBar(QWidget* parent = nullptr);

    // The timer's tick: status and carriage texts, progress, enable rules.
    void UpdateStatus();
    QString StatusText() const;
    QString CarriageText() const;
    QAbstractButton* Button(int id) const;
    int m_fanOn = 0;

signals:
    void StartRequested();
    void PauseRequested();
    void DeleteTaskRequested();
    // A progress text was formatted (WM_PROGRESS_CHANGED): the preview marks
    // the swath being printed.
    void ProgressChanged();
};
