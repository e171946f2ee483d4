// The machine settings dialog: ranges and their messages in the checking
// order, the head boxes, the disconnected state, the access codes, the
// parameter files, the hot folder, and the save request OK leaves for the
// worker thread.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "device/frame_messages.h"
#include "device/param_block.h"
#include "device/ui_commands.h"
#include "tests/support/test_support.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/dlg_get_pwd.h"
#include "ui/dlg_para.h"
#include "ui/main_frame.h"

namespace {
using vexa::ui_test::CapturingSink;
using vexa::ui_test::MachineStateGuard;

// Runs action on the modal dialog once its event loop runs.
void OnModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        action(dialog);
    });
}

// Answers the access-code prompt with text (nullopt: closes it with Escape).
void AnswerAccessCode(std::optional<QString> text)
{
    OnModal([text](QWidget* prompt) {
        QVERIFY(qobject_cast<CDlgGetPwd*>(prompt));
        if (!text) {
            QTest::keyClick(prompt, Qt::Key_Escape);
            return;
        }
        prompt->findChild<QLineEdit*>(QStringLiteral("password"))->setText(*text);
        QTest::keyClick(prompt, Qt::Key_Return);
    });
}

// Everything the dialog writes, put back afterwards.
struct SettingsGuard {
    ParamBlock settings = SettingsToBlock(g_settings, ParamBlock{});
    ParamBlock block = g_paramBlock.Load();
    int autoStart = g_settings.m_autoStart, wideMode = g_settings.m_wideMode, pageWidth = g_settings.m_pageWidth;
    int cartridge = g_settings.m_cartridge1OnRight, port = g_settings.m_controllerPort;
    uint32_t controllerIp = g_settings.m_controllerIp;
    std::string hotFolder = g_settings.m_hotFolder, appDir = g_settings.m_appDir;
    ~SettingsGuard()
    {
        BlockToSettings(settings, g_settings);
        g_paramBlock.Store(block);
        g_settings.m_autoStart = autoStart;
        g_settings.m_wideMode = wideMode;
        g_settings.m_pageWidth = pageWidth;
        g_settings.m_cartridge1OnRight = cartridge;
        g_settings.m_controllerPort = port;
        g_settings.m_controllerIp = controllerIp;
        g_settings.m_hotFolder = hotFolder;
        g_settings.m_appDir = appDir;
        g_settings.m_paramSaveRequested = 0;
    }
};

QLineEdit* EditOf(const CDlgPara& d, int id)
{
    return qobject_cast<QLineEdit*>(d.Control(id));
}
QCheckBox* BoxOf(const CDlgPara& d, int id)
{
    return qobject_cast<QCheckBox*>(d.Control(id));
}

// A block whose every field differs from the defaults, reserved bytes too.
ParamBlock DistinctBlock()
{
    ParamBlock b;
    b.feedPulsesPerMm = 61.25;
    b.plotterIp = 0x0A00007Fu;  // 127.0.0.10: the block stores it, nothing connects to it
    b.xScale = 10005;
    b.yScale = 9995;
    b.machineLength = 1800;
    b.startOffset = 12;
    b.maxSpeed = 650;
    b.headMode = 1;
    b.bidirectional = 0;
    b.headOverlap = 3;
    b.head2Position = 180;
    b.bidirCorrection = 7;
    b.idleDistance = 60;
    b.jobGap = 40;
    b.lineWidth = 4;
    b.autoClean = 1;
    b.resolution = 1;
    b.startSpeed = 150;
    b.reserved = {0xA5, 0x00, 0x5A};
    return b;
}

bool HasChinese(const QString& text)
{
    for (const QChar c : text)
        if ((c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) || (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF))
            return true;
    return false;
}
}  // namespace

class DlgParaTest : public QObject {
    Q_OBJECT
    std::unique_ptr<MachineStateGuard> m_state;
    std::unique_ptr<SettingsGuard> m_settings;

private slots:
    void init()
    {
        m_state = std::make_unique<MachineStateGuard>();
        m_settings = std::make_unique<SettingsGuard>();
        g_connected = 1;
        g_settings.m_language = 0;
        g_settings.m_pendingCommand = 0;
        g_settings.m_paramSaveRequested = 0;
        g_settings.m_pageWidth = 2000;
        g_paramBlock.Store(SettingsToBlock(g_settings, ParamBlock{}));
    }
    void cleanup()
    {
        m_settings.reset();
        m_state.reset();
    }

    // Each field refuses one past either end of its range with the range
    // message, and takes both ends.
    void rangesAndTheirMessages()
    {
        CapturingSink sink;
        struct Case {
            int id;
            int min, max;
            bool isSigned;
        };
        const Case cases[] = {
            {CDlgPara::IDC_LINE_WIDTH, 1, 20, true},          {CDlgPara::IDC_HEAD2_POSITION, 100, 250, true},
            {CDlgPara::IDC_BIDIR_CORRECTION, 0, 40, true},    {CDlgPara::IDC_X_SCALE, 2000, 50000, false},
            {CDlgPara::IDC_Y_SCALE, 2000, 50000, false},      {CDlgPara::IDC_HEAD_OVERLAP, 0, 10, false},
            {CDlgPara::IDC_MACHINE_LENGTH, 500, 3500, false}, {CDlgPara::IDC_START_OFFSET, 0, 2000, false},
            {CDlgPara::IDC_JOB_GAP, 0, 250, false},           {CDlgPara::IDC_PAGE_WIDTH, 600, 30000, false},
            {CDlgPara::IDC_MAX_SPEED, 400, 999, false},       {CDlgPara::IDC_IDLE_DISTANCE, 50, 200, false},
            {CDlgPara::IDC_RESOLUTION, 0, 1, false},          {CDlgPara::IDC_START_SPEED, 100, 250, false},
            {CDlgPara::IDC_CONTROLLER_PORT, 1, 65535, false},
        };
        CDlgPara dialog;
        dialog.show();
        for (const Case& c : cases) {
            QLineEdit* edit = EditOf(dialog, c.id);
            QVERIFY2(edit, qPrintable(QString::number(c.id)));
            const QString before = edit->text();
            const QString rangeMessage = QStringLiteral("请输入一个 %1 至 %2 之间的整数。").arg(c.min).arg(c.max);
            for (int bad : {c.min - 1, c.max + 1}) {
                if (bad < 0 && !c.isSigned)
                    continue;  // a minus sign is no positive integer: below
                sink.messages.clear();
                edit->setText(QString::number(bad));
                dialog.accept();
                QVERIFY2(dialog.isVisible(), qPrintable(edit->text()));
                QCOMPARE(sink.messages, QStringList{rangeMessage});
                QCOMPARE(edit->selectedText(), edit->text());
            }
            sink.messages.clear();
            edit->setText(QStringLiteral("12a"));
            dialog.accept();
            edit->setText(QStringLiteral("-1"));
            dialog.accept();
            const QString notANumber = c.isSigned ? QStringLiteral("请输入一个整数。") : QStringLiteral("请输入一个正整数。");
            QCOMPARE(sink.messages.value(0), notANumber);
            QCOMPARE(sink.messages.value(1), c.isSigned ? QStringLiteral("请输入一个 %1 至 %2 之间的整数。").arg(c.min).arg(c.max)
                                                        : notANumber);
            for (int good : {c.min, c.max}) {
                edit->setText(QStringLiteral(" %1 ").arg(good));
                sink.messages.clear();
                dialog.accept();
                QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.join(u'|')));
                QVERIFY(!dialog.isVisible());
                dialog.show();
            }
            edit->setText(before);
        }
        // Numbers beyond any field are out of range, never wrapped into it
        // (2^64 + 5 would be 5).
        for (const char* huge : {"18446744073709551621", "-18446744073709551621"}) {
            sink.messages.clear();
            EditOf(dialog, CDlgPara::IDC_LINE_WIDTH)->setText(QString::fromLatin1(huge));
            dialog.accept();
            QCOMPARE(sink.messages, QStringList{QStringLiteral("请输入一个 1 至 20 之间的整数。")});
        }
        EditOf(dialog, CDlgPara::IDC_LINE_WIDTH)->setText(QStringLiteral("1"));
        // The one double.
        QLineEdit* feed = EditOf(dialog, CDlgPara::IDC_FEED_PULSES);
        for (const char* bad : {"29.999", "200.0001", "nan", "inf"}) {
            sink.messages.clear();
            feed->setText(QString::fromLatin1(bad));
            dialog.accept();
            QCOMPARE(sink.messages, QStringList{QStringLiteral("请输入一个 30 至 200 之间的数字。")});
        }
        for (const char* bad : {"", "6o.8", "60,8", "1e", "--5"}) {
            sink.messages.clear();
            feed->setText(QString::fromLatin1(bad));
            dialog.accept();
            QCOMPARE(sink.messages, QStringList{QStringLiteral("请输入一个数字。")});
        }
        feed->setText(QStringLiteral(" +2e2 "));
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(g_settings.m_feedPulsesPerMm.load(), 200.0);
    }

    // The labels name the ranges the fields check, and the first field in
    // the checking order speaks first.
    void labelsAndCheckingOrder()
    {
        CapturingSink sink;
        CDlgPara dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("机器设置"));
        const QRegularExpression range(QStringLiteral("\\((\\d+)~(\\d+)"));
        int labelsWithRanges = 0;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            const auto m = range.match(label->text());
            auto* edit = qobject_cast<QLineEdit*>(label->buddy());
            if (!m.hasMatch() || !edit)
                continue;
            ++labelsWithRanges;
            sink.messages.clear();
            edit->setText(QString::number(m.captured(2).toInt() + 1));
            dialog.accept();
            QCOMPARE(sink.messages.value(0), QStringLiteral("请输入一个 %1 至 %2 之间的整数。").arg(m.captured(1), m.captured(2)));
            edit->setText(m.captured(1));
        }
        QCOMPARE(labelsWithRanges, 9);

        // Line width (1109) comes before the X scale (1101), the feed's
        // pulses (1116) before the maximum speed (1115).
        EditOf(dialog, CDlgPara::IDC_X_SCALE)->setText(QStringLiteral("1"));
        EditOf(dialog, CDlgPara::IDC_LINE_WIDTH)->setText(QStringLiteral("0"));
        sink.messages.clear();
        dialog.accept();
        QCOMPARE(sink.messages, QStringList{QStringLiteral("请输入一个 1 至 20 之间的整数。")});
        EditOf(dialog, CDlgPara::IDC_LINE_WIDTH)->setText(QStringLiteral("1"));
        EditOf(dialog, CDlgPara::IDC_X_SCALE)->setText(QStringLiteral("10000"));
        EditOf(dialog, CDlgPara::IDC_MAX_SPEED)->setText(QStringLiteral("1"));
        EditOf(dialog, CDlgPara::IDC_FEED_PULSES)->setText(QStringLiteral("1"));
        sink.messages.clear();
        dialog.accept();
        QCOMPARE(sink.messages, QStringList{QStringLiteral("请输入一个 30 至 200 之间的数字。")});
        // Nothing was taken or asked for.
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 0);
        QCOMPARE(g_settings.m_lineWidth.load(), 1);
    }

    // Opening shows the controller's block; OK copies every field back and
    // asks for a save, also when nothing changed.
    void okTakesEveryFieldAndAsksForASave()
    {
        CapturingSink sink;
        g_paramBlock.Store(DistinctBlock());
        g_settings.m_xScale = 1;  // the monitor's last write; the block wins while connected
        g_settings.m_controllerIp = 0x0100007Fu;
        g_settings.m_controllerPort = 5300;
        CDlgPara dialog;
        QCOMPARE(EditOf(dialog, CDlgPara::IDC_X_SCALE)->text(), QStringLiteral("10005"));
        QCOMPARE(EditOf(dialog, CDlgPara::IDC_FEED_PULSES)->text(), QStringLiteral("61.25"));
        auto* ip = qobject_cast<CIpAddressEdit*>(dialog.Control(CDlgPara::IDC_PLOTTER_IP));
        QCOMPARE(ip->Octet(0)->value(), 127);
        QCOMPARE(ip->Octet(3)->value(), 10);
        QVERIFY(BoxOf(dialog, CDlgPara::IDC_HEAD1)->isChecked() && !BoxOf(dialog, CDlgPara::IDC_HEAD2)->isChecked());
        auto* controller = qobject_cast<CIpAddressEdit*>(dialog.Control(CDlgPara::IDC_CONTROLLER_IP));
        QCOMPARE(controller->Address(), 0x0100007Fu);
        QCOMPARE(EditOf(dialog, CDlgPara::IDC_CONTROLLER_PORT)->text(), QStringLiteral("5300"));

        // Unchanged: the settings are the block's, and a save is asked for.
        g_paramBlock.Store(ParamBlock{});
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 1);
        QCOMPARE(g_settings.m_pendingCommand.load(), 0);
        QVERIFY(SettingsToBlock(g_settings, DistinctBlock()).ToBytes() == DistinctBlock().ToBytes());

        // Every field changed.
        g_settings.m_paramSaveRequested = 0;
        g_connected = 0;  // the settings as they are
        CDlgPara second;
        const std::pair<int, const char*> edits[] = {
            {CDlgPara::IDC_LINE_WIDTH, "20"},   {CDlgPara::IDC_HEAD2_POSITION, "250"}, {CDlgPara::IDC_BIDIR_CORRECTION, "40"},
            {CDlgPara::IDC_X_SCALE, "50000"},   {CDlgPara::IDC_Y_SCALE, "2000"},       {CDlgPara::IDC_HEAD_OVERLAP, "10"},
            {CDlgPara::IDC_MACHINE_LENGTH, "3500"}, {CDlgPara::IDC_START_OFFSET, "2000"}, {CDlgPara::IDC_JOB_GAP, "250"},
            {CDlgPara::IDC_PAGE_WIDTH, "30000"}, {CDlgPara::IDC_FEED_PULSES, "30"},     {CDlgPara::IDC_MAX_SPEED, "999"},
            {CDlgPara::IDC_IDLE_DISTANCE, "200"}, {CDlgPara::IDC_RESOLUTION, "0"},      {CDlgPara::IDC_START_SPEED, "250"},
            {CDlgPara::IDC_CONTROLLER_PORT, "1"},
        };
        for (const auto& [id, text] : edits)
            EditOf(second, id)->setText(QString::fromLatin1(text));
        for (int id : {CDlgPara::IDC_AUTO_CLEAN, CDlgPara::IDC_WIDE_MODE, CDlgPara::IDC_AUTO_START,
                       CDlgPara::IDC_BIDIRECTIONAL, CDlgPara::IDC_CARTRIDGE1_ON_RIGHT})
            BoxOf(second, id)->toggle();
        qobject_cast<CIpAddressEdit*>(second.Control(CDlgPara::IDC_PLOTTER_IP))->SetAddress(0x04030201u);
        qobject_cast<CIpAddressEdit*>(second.Control(CDlgPara::IDC_CONTROLLER_IP))->Octet(3)->setValue(9);
        const int autoStart = g_settings.m_autoStart, wide = g_settings.m_wideMode, cartridge = g_settings.m_cartridge1OnRight;
        second.accept();
        QVERIFY(sink.messages.isEmpty());
        QCOMPARE(g_settings.m_lineWidth.load(), 20);
        QCOMPARE(g_settings.m_head2Position.load(), 250);
        QCOMPARE(g_settings.m_bidirCorrection.load(), 40);
        QCOMPARE(g_settings.m_xScale.load(), 50000);
        QCOMPARE(g_settings.m_yScale.load(), 2000);
        QCOMPARE(g_settings.m_headOverlap.load(), 10);
        QCOMPARE(g_settings.m_machineLength.load(), 3500);
        QCOMPARE(g_settings.m_startOffset.load(), 2000);
        QCOMPARE(g_settings.m_jobGap.load(), 250);
        QCOMPARE(g_settings.m_pageWidth.load(), 30000);
        QCOMPARE(g_settings.m_feedPulsesPerMm.load(), 30.0);
        QCOMPARE(g_settings.m_maxSpeed.load(), 999);
        QCOMPARE(g_settings.m_idleDistance.load(), 200);
        QCOMPARE(g_settings.m_resolution.load(), 0);
        QCOMPARE(g_settings.m_startSpeed.load(), 250);
        QCOMPARE(g_settings.m_autoClean.load(), 0);
        QCOMPARE(g_settings.m_bidirectional.load(), 1);
        QCOMPARE(g_settings.m_autoStart.load(), autoStart ? 0 : 1);
        QCOMPARE(g_settings.m_wideMode.load(), wide ? 0 : 1);
        QCOMPARE(g_settings.m_cartridge1OnRight.load(), cartridge ? 0 : 1);
        QCOMPARE(g_settings.m_plotterIp.load(), 0x04030201u);
        QCOMPARE(g_settings.m_controllerIp.load(), 0x0900007Fu);
        QCOMPARE(g_settings.m_controllerPort.load(), 1);
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 1);
    }

    // The save OK asks for is taken before a jog posted after it, and the
    // jog is still there for the next round.
    void theSaveRequestSurvivesAJog()
    {
        CapturingSink sink;
        CDlgPara dialog;
        dialog.accept();
        g_settings.PostCommand(UI_JOG_LEFT);
        g_settings.PostCommand(UI_STOP_JOG);
        QCOMPARE(TakeUiCommand(), int(UI_SAVE_PARAMS));
        QCOMPARE(TakeUiCommand(), int(UI_STOP_JOG));
        QCOMPARE(TakeUiCommand(), 0);
    }

    void headBoxes()
    {
        CapturingSink sink;
        const int modes[][3] = {{0, 1, 1}, {1, 1, 0}, {2, 0, 1}, {3, 1, 1}, {255, 1, 1}};
        for (const auto& m : modes) {
            g_paramBlock.Update([&](ParamBlock& b) { b.headMode = static_cast<uint8_t>(m[0]); });
            CDlgPara dialog;
            QCOMPARE(int(BoxOf(dialog, CDlgPara::IDC_HEAD1)->isChecked()), m[1]);
            QCOMPARE(int(BoxOf(dialog, CDlgPara::IDC_HEAD2)->isChecked()), m[2]);
        }
        g_paramBlock.Update([](ParamBlock& b) { b.headMode = 1; });
        CDlgPara dialog;
        QCheckBox* head1 = BoxOf(dialog, CDlgPara::IDC_HEAD1);
        QCheckBox* head2 = BoxOf(dialog, CDlgPara::IDC_HEAD2);
        // Clearing head 1 while head 2 is cleared checks head 2 again.
        head1->click();
        QVERIFY(!head1->isChecked() && head2->isChecked());
        // The same the other way round.
        head2->click();
        QVERIFY(head1->isChecked() && !head2->isChecked());
        head2->click();
        QVERIFY(head1->isChecked() && head2->isChecked());
        head1->click();
        QVERIFY(!head1->isChecked() && head2->isChecked());
        dialog.accept();
        QCOMPARE(g_settings.m_headMode.load(), 2);
    }

    // Disconnected: only the INI preferences, the hot folder, the advanced
    // button, OK and Cancel; the drive parameters only with an access code.
    void disconnectedAndAccessCodes()
    {
        CapturingSink sink;
        g_connected = 0;
        CDlgPara dialog;
        dialog.show();
        const QSet<int> usable = {CDlgPara::IDC_AUTO_START,   CDlgPara::IDC_WIDE_MODE,   CDlgPara::IDC_PAGE_WIDTH,
                                  CDlgPara::IDC_CARTRIDGE1_ON_RIGHT, CDlgPara::IDC_HOT_FOLDER, CDlgPara::IDC_HOT_FOLDER_PATH,
                                  CDlgPara::IDC_ADVANCED,     CDlgPara::IDOK_BUTTON,     CDlgPara::IDCANCEL_BUTTON};
        const QSet<int> advanced = {CDlgPara::IDC_MAX_SPEED,   CDlgPara::IDC_IDLE_DISTANCE, CDlgPara::IDC_RESOLUTION,
                                    CDlgPara::IDC_FEED_PULSES, CDlgPara::IDC_START_SPEED,   CDlgPara::IDC_PLOTTER_IP,
                                    CDlgPara::IDC_CONTROLLER_IP, CDlgPara::IDC_CONTROLLER_PORT};
        const QList<QWidget*> controls = dialog.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^\\d+$")));
        QCOMPARE(controls.size(), 32);
        auto expectEnabled = [&](const QSet<int>& enabled) {
            for (QWidget* c : controls)
                QVERIFY2(c->isEnabled() == enabled.contains(c->objectName().toInt()), qPrintable(c->objectName()));
        };
        expectEnabled(usable);

        AnswerAccessCode(std::nullopt);
        dialog.OnAdvanced();
        AnswerAccessCode(QStringLiteral("QZRW "));
        dialog.OnAdvanced();
        AnswerAccessCode(QStringLiteral("qzr"));
        dialog.OnAdvanced();
        QCOMPARE(sink.messages, (QStringList{QStringLiteral("密码错误"), QStringLiteral("密码错误")}));
        expectEnabled(usable);
        // Typed in lower case, compared in upper case.
        AnswerAccessCode(QStringLiteral("qZrw"));
        dialog.OnAdvanced();
        expectEnabled(usable + advanced);
        QCOMPARE(sink.messages.size(), 2);

        // The unlocked fields are taken by OK.
        EditOf(dialog, CDlgPara::IDC_MAX_SPEED)->setText(QStringLiteral("401"));
        dialog.accept();
        QCOMPARE(g_settings.m_maxSpeed.load(), 401);

        // The other code; the fields lock again at the next opening.
        g_connected = 1;
        CDlgPara connected;
        const QList<QWidget*> mine = connected.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^\\d+$")));
        for (QWidget* c : mine)
            QVERIFY2(c->isEnabled() != advanced.contains(c->objectName().toInt()), qPrintable(c->objectName()));
        AnswerAccessCode(QStringLiteral("yj"));
        connected.OnAdvanced();
        for (QWidget* c : mine)
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        g_settings.m_language = 1;
        AnswerAccessCode(QStringLiteral("x"));
        connected.OnAdvanced();
        QCOMPARE(sink.messages.size(), 3);
    }

    // The prompt takes at most 64 characters and stays open beyond that.
    void accessCodePrompt()
    {
        CapturingSink sink;
        CDlgGetPwd prompt;
        prompt.show();
        QCOMPARE(prompt.windowTitle(), QStringLiteral("输入"));
        QVERIFY(prompt.m_password.isEmpty());
        auto* edit = prompt.findChild<QLineEdit*>(QStringLiteral("password"));
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        edit->setText(QString(65, u'a'));
        prompt.accept();
        QVERIFY(prompt.isVisible());
        QCOMPARE(sink.messages, QStringList{QStringLiteral("输入的字符请不要多于 64 个。")});
        QVERIFY(prompt.m_password.isEmpty());
        edit->setText(QString(64, u'a'));
        prompt.accept();
        QVERIFY(!prompt.isVisible());
        QCOMPARE(prompt.m_password.size(), 64);
    }

    // The name rules of a saved file, and what it holds: the block as last
    // read or sent, not the edits.
    void savedFileNames()
    {
        CapturingSink sink;
        vexa::test::TempDir dir;
        g_paramBlock.Store(DistinctBlock());
        CDlgPara dialog;
        EditOf(dialog, CDlgPara::IDC_LINE_WIDTH)->setText(QStringLiteral("9"));
        QString chosen;
        QString filter;
        dialog.m_chooseFile = [&](const QString&, bool save, const QString& f) {
            filter = f;
            return save ? chosen : QString();
        };
        // The rules look at the name as chosen; bare names, in the working directory.
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QString::fromStdString(dir.path().string())));
        const std::pair<const char*, const char*> names[] = {
            {"abcdef", "abcdef.vxp"}, {"A.VXP", "A.VXP"},     {"abc.vx", "abc.vx.vxp"}, {"b.vXp", "b.vXp"},
            {"x.vxq", "x.vxq.vxp"},   {"zvxp", "zvxp.vxp"},   {".vxp", ".vxp.vxp"},     {"a.xvp", "a.xvp.vxp"},
            {"参数.vxp", "参数.vxp"},
        };
        for (const auto& [given, written] : names) {
            chosen = QString::fromUtf8(given);
            dialog.OnSaveParams();
            QVERIFY2(QFile::exists(QString::fromStdString(dir.file(written))), written);
        }
        QDir::setCurrent(cwd);
        QCOMPARE(QDir(QString::fromStdString(dir.path().string())).entryList(QDir::Files | QDir::Hidden).size(),
                 int(std::size(names)));
        QCOMPARE(filter, QStringLiteral("参数文件(*.vxp)"));
        QVERIFY(sink.messages.isEmpty());
        const std::string bytes = vexa::test::ReadFile(dir.file("abcdef.vxp"));
        const auto wire = DistinctBlock().ToWire();
        QCOMPARE(bytes, std::string(reinterpret_cast<const char*>(wire.data()), wire.size()));

        // A file that cannot be written says so.
        chosen = QString::fromStdString(dir.file("missing/p"));
        dialog.OnSaveParams();
        QCOMPARE(sink.messages.size(), 1);
        // Cancelled: nothing.
        chosen.clear();
        dialog.OnSaveParams();
        QCOMPARE(sink.messages.size(), 1);
    }

    // Restoring a saved file gives back exactly the saved block; nothing is
    // sent until OK.
    void restoreGivesBackTheSavedBlock()
    {
        CapturingSink sink;
        vexa::test::TempDir dir;
        const std::string path = dir.file("saved.vxp");
        g_paramBlock.Store(DistinctBlock());
        CDlgPara dialog;
        QString open;
        dialog.m_chooseFile = [&](const QString&, bool save, const QString&) {
            return save ? QString::fromStdString(path) : open;
        };
        dialog.OnSaveParams();
        g_paramBlock.Store(ParamBlock{});
        g_settings.m_lineWidth = 2;
        CDlgPara second;
        second.m_chooseFile = dialog.m_chooseFile;
        open = QString::fromStdString(path);
        second.OnRestoreParams();
        QVERIFY(sink.messages.isEmpty());
        QVERIFY(g_paramBlock.Load().ToBytes() == DistinctBlock().ToBytes());
        // Connected: the refill copies the block again, so the line width is the file's.
        QCOMPARE(EditOf(second, CDlgPara::IDC_LINE_WIDTH)->text(), QStringLiteral("4"));
        QCOMPARE(EditOf(second, CDlgPara::IDC_X_SCALE)->text(), QStringLiteral("10005"));
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 0);
        second.accept();
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 1);
        QVERIFY(SettingsToBlock(g_settings, g_paramBlock.Load()).ToBytes() == DistinctBlock().ToBytes());

        // Without the controller the line width falls back to 1.
        g_connected = 0;
        CDlgPara offline;
        offline.m_chooseFile = dialog.m_chooseFile;
        offline.OnRestoreParams();
        QCOMPARE(EditOf(offline, CDlgPara::IDC_LINE_WIDTH)->text(), QStringLiteral("1"));
        QCOMPARE(EditOf(offline, CDlgPara::IDC_X_SCALE)->text(), QStringLiteral("10005"));

        // A file that cannot be opened, one too short: the block stays.
        g_paramBlock.Store(ParamBlock{});
        open = QString::fromStdString(dir.file("missing.vxp"));
        offline.OnRestoreParams();
        QVERIFY(sink.messages.value(0).startsWith(QStringLiteral("打开文件失败")));
        vexa::test::WriteFile(dir.file("short.vxp"), std::string(35, '\x01'));
        open = QString::fromStdString(dir.file("short.vxp"));
        offline.OnRestoreParams();
        QCOMPARE(sink.messages.size(), 2);
        QVERIFY(g_paramBlock.Load().ToBytes() == ParamBlock{}.ToBytes());
    }

    void hotFolder()
    {
        CapturingSink sink;
        QTemporaryDir app, empty, full, withFolder;
        QVERIFY(app.isValid() && empty.isValid() && full.isValid() && withFolder.isValid());
        g_settings.m_appDir = app.path().toStdString() + "/";
        g_settings.m_hotFolder = empty.path().toStdString() + "/";
        vexa::test::WriteFile(full.filePath(QStringLiteral(".hidden")).toStdString(), "x");
        QVERIFY(QDir(withFolder.path()).mkdir(QStringLiteral("sub")));

        CDlgPara dialog;
        const QString initial = empty.path() + u'/';
        QCOMPARE(dialog.m_dlgHotFolder, initial);
        auto* path = qobject_cast<QLabel*>(dialog.Control(CDlgPara::IDC_HOT_FOLDER_PATH));
        QVERIFY(path->text().contains(initial.toHtmlEscaped()));
        QString chosen, title;
        dialog.m_chooseFolder = [&](const QString& t) {
            title = t;
            return chosen;
        };
        auto choose = [&](const QString& folder) {
            chosen = folder;
            dialog.OnHotFolder();
            return dialog.m_dlgHotFolder;
        };
        // Cancelled: nothing at all.
        QCOMPARE(choose(QString()), initial);
        QCOMPARE(title, QStringLiteral("选择绘图文件存放的目录"));
        QVERIFY(sink.messages.isEmpty());
        // The application directory, and a name too short: refused.
        QCOMPARE(choose(app.path()), initial);
        QCOMPARE(choose(QStringLiteral("/")), initial);
        QCOMPARE(sink.messages.size(), 2);
        for (const QString& m : sink.messages)
            QVERIFY2(m.startsWith(QStringLiteral("非法的临时文件目录")), qPrintable(m));
        // A folder with files asks first; sub-folders do not count.
        sink.messages.clear();
        sink.answers = {false};
        QCOMPARE(choose(full.path()), initial);
        QCOMPARE(sink.captions, (QStringList{QString(), QString(), QStringLiteral("警告！！！")}));
        QCOMPARE(sink.messages.value(0),
                 QStringLiteral("当前设置的目录非空，\n如果设置成自动绘图目录，\n当前目录下的文件将被删除。\n是否继续？"));
        sink.answers = {true};
        QCOMPARE(choose(full.path()), full.path() + u'/');
        QCOMPARE(g_settings.m_hotFolder, full.path().toStdString() + "/");
        QCOMPARE(choose(withFolder.path()), withFolder.path() + u'/');
        QCOMPARE(sink.messages.size(), 2);
        QVERIFY(path->text().contains((withFolder.path() + u'/').toHtmlEscaped()));
        // Taken at once: Cancel does not undo it.
        dialog.reject();
        QCOMPARE(g_settings.m_hotFolder, withFolder.path().toStdString() + "/");
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 0);
    }

    // The main window's command: the message while disconnected, then the
    // dialog all the same.
    void openedFromTheMainWindow()
    {
        CapturingSink sink;
        CMainFrame frame;
        g_connected = 0;
        bool opened = false;
        OnModal([&](QWidget* dialog) {
            opened = qobject_cast<CDlgPara*>(dialog) != nullptr;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        frame.OnMachineParameters();
        QVERIFY(opened);
        QCOMPARE(sink.messages, QStringList{QStringLiteral("未连接绘图机，读取参数失败！")});
        QCOMPARE(g_settings.m_paramSaveRequested.load(), 0);
    }

    // Both languages: every text has its English, nothing is cut off, and
    // the pictures land in the build directory's shots/.
    void looksInBothLanguages()
    {
        CapturingSink sink;
        g_paramBlock.Store(DistinctBlock());
        QTemporaryDir hot;
        g_settings.m_hotFolder = hot.path().toStdString() + "/";
        const QString shots = QStringLiteral(VEXA_BINARY_DIR "/shots/");
        QDir().mkpath(shots);
        std::vector<std::unique_ptr<QTranslator>> translators;
        for (const char* language : {"zh", "en"}) {
            if (QLatin1String(language) == QLatin1String("en")) {
                const QDir dir(QStringLiteral(":/i18n"));
                for (const QString& name : dir.entryList({QStringLiteral("*_en.qm")})) {
                    translators.push_back(std::make_unique<QTranslator>());
                    QVERIFY(translators.back()->load(dir.filePath(name)));
                    QCoreApplication::installTranslator(translators.back().get());
                }
            }
            CDlgPara dialog;
            dialog.show();
            dialog.adjustSize();
            QVERIFY(dialog.width() <= 1280 && dialog.height() <= 800);
            QVERIFY(dialog.grab().save(shots + QStringLiteral("dlg_para_%1.png").arg(QLatin1String(language))));
            QStringList texts{dialog.windowTitle()};
            for (QLabel* l : dialog.findChildren<QLabel*>()) {
                texts << l->text();
                QVERIFY2(l->width() >= l->minimumSizeHint().width(), qPrintable(l->text()));
            }
            for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
                texts << b->text();
                QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
            }
            for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
                texts << g->title();
            CDlgGetPwd prompt;
            prompt.show();
            texts << prompt.windowTitle() << prompt.findChild<QLabel*>()->text()
                  << prompt.findChild<QAbstractButton*>()->text();
            QVERIFY(prompt.grab().save(shots + QStringLiteral("dlg_get_pwd_%1.png").arg(QLatin1String(language))));
            if (QLatin1String(language) == QLatin1String("en"))
                for (const QString& t : texts)
                    QVERIFY2(!HasChinese(t), qPrintable(t));
        }
        for (auto& t : translators)
            QCoreApplication::removeTranslator(t.get());
    }
};

VEXA_UI_TEST(DlgParaTest)
#include "dlg_para_test.moc"
