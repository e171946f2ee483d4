// The main window: its commands, the job advance seen through the list
// against the in-process simulator, closing, and the single instance.
#include <QAction>
#include <QProcess>
#include <QSplitter>
#include <atomic>
#include <csignal>
#include <thread>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/monitor_thread.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "model/vexa_doc.h"
#include "sim/sim_controller.h"
#include "sim/sim_in_process.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test.h"
#include "ui/list_view.h"
#include "ui/main_frame.h"
#include "ui/single_instance.h"
#include "ui/vexa_app.h"

using vexa::test::TempDir;
using vexa::test::WriteFile;
using vexa::ui_test::CapturingSink;

namespace {
const char* const kSquare = "IN;PU0,0;PD2000,0,2000,2000,0,2000,0,0;PU;";

// A sink that can act while a message is up, as an operator would.
class ActingSink : public CapturingSink {
public:
    std::function<void()> onShow;
    bool Show(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        if (onShow)
            onShow();
        return CapturingSink::Show(parent, text, caption, icon, buttons);
    }
};

// The settings of a fresh application directory, restored afterwards.
struct Home {
    TempDir dir;
    std::string oldAppDir = g_settings.m_appDir, oldLast = g_settings.m_lastTaskPath,
                oldHot = g_settings.m_hotFolder;
    Home()
    {
        g_settings.m_appDir = dir.path().string() + "/";
        g_settings.m_lastTaskPath = g_settings.m_appDir + "Last.vxtask";
        g_settings.m_hotFolder.clear();
        g_settings.m_autoStart = 1;
        g_settings.m_pageWidth = 2000;
        g_settings.m_wideMode = 1;
        g_settings.m_language = 0;
    }
    ~Home()
    {
        g_settings.m_appDir = oldAppDir;
        g_settings.m_lastTaskPath = oldLast;
        g_settings.m_hotFolder = oldHot;
    }
    std::string File(const std::string& name, const std::string& bytes) const
    {
        const std::string path = dir.file(name);
        WriteFile(path, bytes);
        return path;
    }
};
}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    // Options, one task file (by its extension) and any number of markers.
    void CommandLine()
    {
        QString message;
        auto options = CVexaApp::ParseArguments(
            {"vexagrid", "--sim", "a.plt", "list.VXTASK", "b.hpgl", "--time-scale", "0"}, message);
        QVERIFY2(options, qPrintable(message));
        QVERIFY(options->sim);
        QCOMPARE(options->timeScale, 0.0);
        QCOMPARE(options->taskFile, QStringLiteral("list.VXTASK"));
        QCOMPARE(options->plotFiles, (QStringList{"a.plt", "b.hpgl"}));
        QVERIFY(!CVexaApp::ParseArguments({"vexagrid", "a.vxtask", "b.vxtask"}, message));
        QCOMPARE(message, QStringLiteral("one task file at most"));
        QVERIFY(!CVexaApp::ParseArguments({"vexagrid", "--time-scale", "0"}, message));
        QVERIFY(!CVexaApp::ParseArguments({"vexagrid", "--sim", "--time-scale", "1001"}, message));
        QVERIFY(!CVexaApp::ParseArguments({"vexagrid", "-x"}, message));
    }

    void LayoutAndCaption()
    {
        Home home;
        CMainFrame frame;
        QCOMPARE(frame.windowTitle(), QStringLiteral("VexaGrid"));
        QCOMPARE(frame.property("PROP_KOL_GRID_VX").toInt(), 1);
        QVERIFY(!frame.windowIcon().isNull());
        frame.show();
        // The job list takes a third of the height, the preview two thirds.
        const QList<int> sizes = frame.Splitter()->sizes();
        QCOMPARE(sizes.size(), 2);
        QVERIFY2(qAbs(sizes[1] - 2 * sizes[0]) <= 3, qPrintable(QStringLiteral("%1 %2").arg(sizes[0]).arg(sizes[1])));
        QVERIFY(frame.Action(1019) && frame.Action(1018) && frame.Action(1020) && frame.Action(1025));
        QCOMPARE(frame.Action(1061)->text(), QStringLiteral("\"10x10.plt\""));
        QCOMPARE(frame.Action(1066)->text(), QStringLiteral("\"30x150.plt\""));
    }

    // Export: the chosen name gets ".plt" unless it has it; drops add files in order.
    void ExportAndDrop()
    {
        Home home;
        CapturingSink sink;
        CMainFrame frame;
        const std::string a = home.File("a.plt", kSquare), b = home.File("b.plt", kSquare);
        frame.AddPlotFiles({QString::fromStdString(b), QString::fromStdString(a)});
        QCOMPARE(frame.Doc().GetPageCount(), 2);
        QCOMPARE(QString::fromStdString(frame.Doc().GetPage(0)->m_fileName), QStringLiteral("b.plt"));
        frame.m_chooseFile = [&](const QString&, bool save, const QString&) {
            return save ? QString::fromStdString(home.dir.file("plan")) : QString();
        };
        frame.OnExport();
        QVERIFY(QFile::exists(QString::fromStdString(home.dir.file("plan.plt"))));
        QVERIFY(sink.messages.isEmpty());
        frame.AddPlotFiles({QString::fromStdString(home.dir.file("missing.plt"))});
        QCOMPARE(sink.messages, QStringList{QStringLiteral("文件打开失败!")});
    }

    // The language commands say so only when the language changes.
    void LanguageMessageOnlyOnChange()
    {
        Home home;
        CapturingSink sink;
        CMainFrame frame;
        frame.OnLanguage(0);
        QVERIFY(sink.messages.isEmpty());
        frame.OnLanguage(1);
        QCOMPARE(sink.messages.size(), 1);
        QVERIFY(frame.Action(1059)->isChecked() && !frame.Action(1058)->isChecked());
        g_settings.m_language = 0;
    }

    // Closing while a job prints asks first; the list is left in Last.vxtask.
    void CloseAsksWhileAJobPrints()
    {
        Home home;
        CapturingSink sink;
        auto frame = std::make_unique<CMainFrame>();
        frame->AddPlotFiles({QString::fromStdString(home.File("a.plt", kSquare))});
        frame->show();
        g_plotThread = 1;
        sink.answers = {false};
        QVERIFY(!frame->close());
        QVERIFY(frame->isVisible());
        QCOMPARE(sink.captions.value(0), QStringLiteral("提示"));
        sink.answers = {true};
        QVERIFY(frame->close());
        g_plotThread = 0;
        CVexaDoc back;
        QCOMPARE(QString::fromStdString(back.LoadTaskFile(g_settings.m_lastTaskPath)), QString());
        QCOMPARE(back.GetPageCount(), 1);
        g_settings.m_quit = 0;
    }

    // The list plays against the simulator: the job starts by itself, the
    // copies count down through the list and the job leaves it.
    void JobAdvanceThroughTheList()
    {
        Home home;
        CapturingSink sink;
        vexa::sim::InProcessSimulator sim;
        QCOMPARE(QString::fromStdString(sim.Start({})), QString());
        CMainFrame frame;
        frame.AddPlotFiles({QString::fromStdString(home.File("a.plt", kSquare))});
        frame.Centre().SetCopies(0, 2);
        frame.ListView()->RefreshList();
        // The copies column as the list shows it each time it is filled: the
        // state between the two copies may last less than one poll.
        QStringList shown;
        QObject::connect(frame.ListView()->model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
            if (index.column() == 2)
                shown << index.data().toString();
        });
        frame.StartWorkers();
        QTRY_VERIFY_WITH_TIMEOUT(frame.Doc().GetPageCount() == 0 && g_plotThread == 0, 30000);
        QVERIFY2(shown.contains(QStringLiteral("1")), qPrintable(shown.join(u',')));
        QVERIFY(sim.Controller()->WaitForJobs(2, 30000));
        QCOMPARE(frame.ListView()->rowCount(), 0);
        frame.StopWorkers();
        QVERIFY(!MonitorThreadRunning());
        sim.Stop();
        QCOMPARE(sim.Controller(), nullptr);
        QVERIFY(sink.messages.isEmpty());
    }

    // A message shown inside a notification holds the monitor; a close asked
    // for meanwhile must not wait for the monitor it holds.
    void CloseDuringABlockingNotification()
    {
        Home home;
        ActingSink sink;
        auto frame = std::make_unique<CMainFrame>();
        frame->show();
        WriteFile(g_settings.m_lastTaskPath, "\x05\x00garbage");  // fails to load: a message
        bool closed = false;
        sink.onShow = [&] {
            if (!closed) {
                closed = true;
                frame->close();  // while the monitor waits for this message
            }
        };
        frame->StartWorkers();
        QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!frame->isVisible(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!MonitorThreadRunning(), 20000);
        frame.reset();
        g_settings.m_quit = 0;
    }

    // A second start in the same application directory raises the first
    // window and ends; the first says it was asked.
    void SecondStartRaisesTheFirst()
    {
        TempDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VEXAGRID_HOME"), QString::fromStdString(home.path().string()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QString program = QStringLiteral(VEXA_BINARY_DIR "/ui/vexagrid");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        CSingleInstance probe(QString::fromStdString(home.path().string() + "/"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString::fromStdString(home.path().string() + "/KOL_GRID_VX.lock")),
                                 20000);
        QTest::qWait(300);
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardError()).contains("window raised"), 10000);
        QVERIFY(first.state() == QProcess::Running);
        first.terminate();
        if (!first.waitForFinished(10000))
            first.kill();
    }

    // The first instance's answer: shown, or hidden in the tray.
    void SingleInstanceAnswers()
    {
        TempDir home;
        const QString dir = QString::fromStdString(home.path().string() + "/");
        CSingleInstance first(dir);
        QVERIFY(first.TryBecomeFirst());
        bool hidden = false;
        first.m_showWindow = [&] { return !hidden; };
        first.StartAnswering();
        CSingleInstance second(dir);
        QVERIFY(!second.TryBecomeFirst());
        // The first answers from the event loop, which runs while the second waits.
        QCOMPARE(AskInThread(second), CSingleInstance::Answer::Shown);
        hidden = true;
        QCOMPARE(AskInThread(second), CSingleInstance::Answer::Hidden);
        // Files named at the second start are handed over, in order, before the window shows.
        QStringList added;
        first.m_addFiles = [&](const QStringList& files) { added = files; };
        hidden = false;
        QCOMPARE(AskInThread(second, {"/m/a.plt", "/m/b c.plt"}), CSingleInstance::Answer::Shown);
        QCOMPARE(added, (QStringList{"/m/a.plt", "/m/b c.plt"}));
        CSingleInstance elsewhere(QString::fromStdString(home.path().string() + "/other/"));
        QCOMPARE(elsewhere.AskFirstToShow(200), CSingleInstance::Answer::NoAnswer);
    }

private:
    static CSingleInstance::Answer AskInThread(CSingleInstance& second, const QStringList& files = {})
    {
        std::atomic<int> answer{-1};
        std::thread asker([&] { answer = static_cast<int>(second.AskFirstToShow(5000, files)); });
        for (int i = 0; i < 1000 && answer == -1; ++i)
            QTest::qWait(10);
        asker.join();
        return static_cast<CSingleInstance::Answer>(answer.load());
    }
};

VEXA_UI_TEST(MainFrameTest)
#include "main_frame_test.moc"
