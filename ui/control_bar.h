#pragma once
#include <QElapsedTimer>
#include <QHash>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QIcon;
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
    // Milliseconds on a monotonic clock, for the swath rate; tests replace it.
    std::function<qint64()> m_clockMs;

signals:
    void StartRequested();
    void PauseRequested();
    void DeleteTaskRequested();
    // A progress text was formatted (WM_PROGRESS_CHANGED): the preview marks
    // the swath being printed.
    void ProgressChanged();

private:
    QAbstractButton* AddButton(int id, const QIcon& icon, const QString& tip);
    void UpdateEnables();
    // The swath progress bar and the time left, while a job runs.
    void UpdateProgress();

    QLabel* m_status = nullptr;
    QLabel* m_carriage = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_timeLeft = nullptr;
    QTimer* m_timer = nullptr;
    QHash<int, QAbstractButton*> m_buttons;
    QElapsedTimer m_clock;

    // The swath rate of the running job: measured from the first finished
    // swath on, over the time the machine was not paused.
    bool m_jobSeen = false;
    int m_jobSwaths = 0;      // the job's swath count
    int m_lastDone = 0;       // swaths done at the last tick
    qint64 m_lastTickMs = 0;  // clock at the last tick
    qint64 m_runMs = 0;       // time not paused since the job was first seen
    int m_anchorDone = -1;    // swaths done when the measurement began, -1 before
    qint64 m_anchorMs = 0;    // m_runMs at that moment
};
