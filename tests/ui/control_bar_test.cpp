// The control bar: the engine's status texts as the timer shows them, the
// enable rules, the codes the buttons leave in the mailbox, the swath
// progress and the time left.
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <memory>

#include "device/frame_messages.h"
#include "device/protocol.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/control_bar.h"

namespace {
using vexa::ui_test::MachineStateGuard;

int Pending()
{
    return g_settings.m_pendingCommand.load();
}

// The bar with its timer stopped: the tests tick it themselves, so that a
// slow machine's event processing cannot slip a tick in between.
struct Bar : CMyDlgBar {
    Bar()
    {
        auto* timer = findChild<QTimer*>(QStringLiteral("statusTimer"));
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 500);
        timer->stop();
    }
};
}  // namespace

class ControlBarTest : public QObject {
    Q_OBJECT
    std::unique_ptr<MachineStateGuard> m_guard;

private slots:
    void init()
    {
        m_guard = std::make_unique<MachineStateGuard>();
        g_plotThread = 0;
        g_connected = 1;
        g_machineStatus = STATE_READY;
        g_swathCount = 0;
        g_currentSwath = 0;
        g_plotProgress = 0;
        g_carriagePositionNew = 0;
        g_settings.m_language = 0;
        g_settings.m_headMode = 0;
        g_settings.m_headOverlap = 0;
        g_settings.m_resolution = 0;
        g_settings.m_pendingCommand = 0;
    }
    void cleanup() { m_guard.reset(); }

    void statusTextsAndProgressMessage()
    {
        Bar bar;
        QSignalSpy progress(&bar, &CMyDlgBar::ProgressChanged);
        QCOMPARE(bar.StatusText(), QStringLiteral("状态"));
        QCOMPARE(bar.CarriageText(), QStringLiteral("小车:"));

        g_machineStatus = STATE_PLOTTING;
        g_settings.m_headOverlap = 2;
        g_plotProgress = 10;
        g_swathCount = 40;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("工作中...248/993"));
        QCOMPARE(progress.count(), 1);
        g_settings.m_language = 1;
        g_settings.m_headMode = 1;
        g_machineStatus = STATE_PAUSED;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("Paused....125/500"));
        QCOMPARE(progress.count(), 2);

        // No swath count yet: no text and no progress message.
        g_swathCount = 0;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QString());
        g_swathCount = 40;
        g_connected = 0;  // whatever the last status byte said
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("Disconnected..."));
        g_settings.m_language = 0;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("未连接..."));
        g_connected = 1;
        g_machineStatus = 12;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("Errcode 12"));
        g_machineStatus = STATE_READY;
        bar.UpdateStatus();
        QCOMPARE(bar.StatusText(), QStringLiteral("准备就绪"));
        QCOMPARE(progress.count(), 2);
    }

    void carriageTextOnlyWithANewPosition()
    {
        Bar bar;
        g_carriagePosition = 1000;
        bar.UpdateStatus();
        QCOMPARE(bar.CarriageText(), QStringLiteral("小车:"));
        g_carriagePositionNew = 1;
        bar.UpdateStatus();
        QCOMPARE(bar.CarriageText(), QStringLiteral("小车:141.11 mm"));
        QCOMPARE(g_carriagePositionNew.load(), 0);

        // The shown position stays until the next one is announced.
        g_carriagePosition = -1000;
        g_settings.m_resolution = 1;
        g_settings.m_language = 1;
        bar.UpdateStatus();
        QCOMPARE(bar.CarriageText(), QStringLiteral("小车:141.11 mm"));
        g_carriagePositionNew = 1;
        bar.UpdateStatus();
        QCOMPARE(bar.CarriageText(), QStringLiteral("Car:-169.33 mm"));
    }

    void enableRulesPerState()
    {
        Bar bar;
        const int jogs[] = {CMyDlgBar::ID_JOG_UP, CMyDlgBar::ID_JOG_DOWN, CMyDlgBar::ID_JOG_LEFT,
                            CMyDlgBar::ID_JOG_RIGHT};
        for (int running : {0, 1}) {
            for (int state = STATE_INIT; state <= 12; ++state) {
                g_plotThread = running;
                g_machineStatus = static_cast<uint8_t>(state);
                bar.UpdateStatus();
                const bool ready = state == STATE_READY, paused = state == STATE_PAUSED;
                const bool plotting = state == STATE_PLOTTING;
                const QByteArray where = QByteArray("state ") + QByteArray::number(state) + " running " +
                                         QByteArray::number(running);
                QVERIFY2(bar.Button(CMyDlgBar::ID_START)->isEnabled() == (ready || paused), where);
                QVERIFY2(bar.Button(CMyDlgBar::ID_PAUSE)->isEnabled() == plotting, where);
                QVERIFY2(bar.Button(CMyDlgBar::ID_DELETE_TASK)->isEnabled() == (running || plotting || paused),
                         where);
                QVERIFY2(bar.Button(CMyDlgBar::ID_CLEAN)->isEnabled() == ready, where);
                QVERIFY2(bar.Button(CMyDlgBar::ID_FAN)->isEnabled() == ready, where);
                for (int id : jogs)
                    QVERIFY2(bar.Button(id)->isEnabled() == (ready || paused), where);
            }
        }
    }

    void buttonsAskTheFrameOrPostCodes()
    {
        Bar bar;
        QSignalSpy start(&bar, &CMyDlgBar::StartRequested);
        QSignalSpy pause(&bar, &CMyDlgBar::PauseRequested);
        QSignalSpy remove(&bar, &CMyDlgBar::DeleteTaskRequested);
        g_machineStatus = STATE_PAUSED;
        g_plotThread = 1;
        bar.UpdateStatus();
        QTest::mouseClick(bar.Button(CMyDlgBar::ID_START), Qt::LeftButton);
        QTest::mouseClick(bar.Button(CMyDlgBar::ID_DELETE_TASK), Qt::LeftButton);
        g_machineStatus = STATE_PLOTTING;
        bar.UpdateStatus();
        QTest::mouseClick(bar.Button(CMyDlgBar::ID_PAUSE), Qt::LeftButton);
        QCOMPARE(start.count(), 1);
        QCOMPARE(pause.count(), 1);
        QCOMPARE(remove.count(), 1);
        QCOMPARE(Pending(), 0);  // the frame posts those

        g_machineStatus = STATE_READY;
        bar.UpdateStatus();
        QTest::mouseClick(bar.Button(CMyDlgBar::ID_CLEAN), Qt::LeftButton);
        QCOMPARE(Pending(), int(UI_CLEAN));
    }

    void jogPressAndRelease()
    {
        Bar bar;
        const std::pair<int, int> jogs[] = {{CMyDlgBar::ID_JOG_UP, UI_JOG_UP},
                                            {CMyDlgBar::ID_JOG_DOWN, UI_JOG_DOWN},
                                            {CMyDlgBar::ID_JOG_LEFT, UI_JOG_LEFT},
                                            {CMyDlgBar::ID_JOG_RIGHT, UI_JOG_RIGHT}};
        for (int state : {STATE_READY, STATE_PAUSED}) {
            g_machineStatus = static_cast<uint8_t>(state);
            bar.UpdateStatus();
            for (const auto& [id, code] : jogs) {
                QTest::mousePress(bar.Button(id), Qt::LeftButton);
                QCOMPARE(Pending(), code);
                QTest::mouseRelease(bar.Button(id), Qt::LeftButton);
                QCOMPARE(Pending(), int(UI_STOP_JOG));
                g_settings.m_pendingCommand = 0;
            }
        }
        // Held while the machine leaves the ready state: the button goes
        // grey and the carriage is stopped.
        g_machineStatus = STATE_READY;
        bar.UpdateStatus();
        QTest::mousePress(bar.Button(CMyDlgBar::ID_JOG_LEFT), Qt::LeftButton);
        QCOMPARE(Pending(), int(UI_JOG_LEFT));
        g_machineStatus = STATE_CLEANING;
        bar.UpdateStatus();
        QCOMPARE(Pending(), int(UI_STOP_JOG));
        g_settings.m_pendingCommand = 0;
        QTest::mousePress(bar.Button(CMyDlgBar::ID_JOG_UP), Qt::LeftButton);
        QCOMPARE(Pending(), 0);
    }

    void fanTogglesOnlyWhenReady()
    {
        Bar bar;
        QAbstractButton* fan = bar.Button(CMyDlgBar::ID_FAN);
        QVERIFY(fan->isCheckable());
        QVERIFY(!fan->isChecked());
        bar.UpdateStatus();
        QTest::mouseClick(fan, Qt::LeftButton);
        QVERIFY(fan->isChecked());
        QCOMPARE(bar.m_fanOn, 1);
        QCOMPARE(Pending(), int(UI_FAN_ON));
        QTest::mouseClick(fan, Qt::LeftButton);
        QCOMPARE(bar.m_fanOn, 0);
        QCOMPARE(Pending(), int(UI_FAN_OFF));

        // A click that slips in after the machine left the ready state, before
        // the next tick greys the button, toggles the button only.
        g_settings.m_pendingCommand = 0;
        g_machineStatus = STATE_PLOTTING;
        QTest::mouseClick(fan, Qt::LeftButton);
        QVERIFY(fan->isChecked());
        QCOMPARE(bar.m_fanOn, 0);
        QCOMPARE(Pending(), 0);
        bar.UpdateStatus();
        QTest::mouseClick(fan, Qt::LeftButton);
        QVERIFY(fan->isChecked());
        QCOMPARE(Pending(), 0);
    }

    void swathProgressAndTimeLeft()
    {
        qint64 now = 0;
        Bar bar;
        bar.m_clockMs = [&now] { return now; };
        auto* progress = bar.findChild<QProgressBar*>(QStringLiteral("swathProgress"));
        auto* timeLeft = bar.findChild<QLabel*>(QStringLiteral("timeLeft"));
        QVERIFY(progress && timeLeft);
        bar.UpdateStatus();
        QVERIFY(progress->isHidden() && timeLeft->isHidden());

        const auto tick = [&](qint64 ms, int done) {
            now = ms;
            g_currentSwath = done;
            bar.UpdateStatus();
        };
        g_plotThread = 1;
        g_machineStatus = STATE_PLOTTING;
        g_swathCount = 10;
        tick(0, 0);
        QVERIFY(!progress->isHidden() && !timeLeft->isHidden());
        QCOMPARE(progress->text(), QStringLiteral("条带 1/10"));
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 估算中..."));
        tick(5000, 1);  // the first swath, with the job's preparation
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 估算中..."));
        QCOMPARE(progress->value(), 1);
        tick(7000, 3);  // a swath a second from here on
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 0:07"));
        QCOMPARE(progress->text(), QStringLiteral("条带 4/10"));
        // A pause does not slow the rate down.
        g_machineStatus = STATE_PAUSED;
        tick(600000, 3);
        g_machineStatus = STATE_PLOTTING;
        tick(600500, 3);
        tick(601000, 4);
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 0:06"));  // 3 swaths in 3 s of plotting, 6 left
        tick(602000, 10);
        QCOMPARE(progress->text(), QStringLiteral("条带 10/10"));
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 0:00"));

        // The next job, started between two ticks, is measured afresh.
        g_swathCount = 2000;
        tick(603000, 0);
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 估算中..."));
        tick(604000, 1);
        tick(606000, 2);
        QCOMPARE(timeLeft->text(), QStringLiteral("剩余时间: 1:06:36"));
        g_plotThread = 0;
        tick(607000, 2);
        QVERIFY(progress->isHidden() && timeLeft->isHidden());
    }
};

VEXA_UI_TEST(ControlBarTest)
#include "control_bar_test.moc"
