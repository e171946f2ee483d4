#include "ui/dlg_para.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <charconv>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/param_block.h"
#include "device/param_file.h"
#include "device/param_ranges.h"
#include "ui/dlg_get_pwd.h"
#include "ui/message_sink.h"

// --- The address control ------------------------------------------------------

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            row->addWidget(new QLabel(QStringLiteral("."), this));
        auto* octet = new QSpinBox(this);
        octet->setRange(0, 255);
        octet->setButtonSymbols(QAbstractSpinBox::NoButtons);
        octet->setAlignment(Qt::AlignCenter);
        octet->setMinimumWidth(octet->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        row->addWidget(octet);
        m_octets.push_back(octet);
    }
    row->addStretch();
    setFocusProxy(m_octets[0]);
}

uint32_t CIpAddressEdit::Address() const
{
    uint32_t ip = 0;
    for (int i = 3; i >= 0; --i)
        ip = ip << 8 | static_cast<uint32_t>(Octet(i)->value());
    return ip;
}

void CIpAddressEdit::SetAddress(uint32_t ip)
{
    for (int i = 0; i < 4; ++i)
        Octet(i)->setValue(static_cast<int>(ip >> (8 * i) & 0xFF));
}

// --- Reading the fields ---------------------------------------------------------

namespace {
// Blanks around the number are forgiven; a sign only where the field is
// signed. A number too large for any field saturates, so that the range
// message tells what is wanted.
bool ParseInteger(const QString& text, bool allowSign, long long& value)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (allowSign && i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    if (i == t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = std::min(v * 10 + (c - u'0'), 1LL << 40);
    }
    value = negative ? -v : v;
    return true;
}

bool ParseDouble(const QString& text, double& value)
{
    // from_chars takes a minus sign but no plus sign.
    std::string t = text.trimmed().toStdString();
    if (t.size() > 1 && t[0] == '+' && t[1] != '-' && t[1] != '+')
        t.erase(0, 1);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size();
}

// The shortest text that reads back as the same double, so that an
// untouched field gives back the controller's value exactly.
QString DoubleText(double value)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, ec == std::errc() ? end - text : 0);
}

QString NumberText(double value)
{
    return QString::number(value, 'g', 15);
}

QCheckBox* Check(QWidget* w)
{
    return static_cast<QCheckBox*>(w);
}
QLineEdit* Edit(QWidget* w)
{
    return static_cast<QLineEdit*>(w);
}
CIpAddressEdit* Address(QWidget* w)
{
    return static_cast<CIpAddressEdit*>(w);
}
}  // namespace

// --- The dialog -------------------------------------------------------------------

CDlgPara::CDlgPara(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(CDlgPara::tr("机器设置"));
    CreateControls();
    LayOut();

    RefillFromSettings();
    // Without the controller there is no block to edit or save; the INI
    // preferences, the hot folder and the access code stay usable.
    if (g_connected == 0) {
        for (int id : {IDC_HEAD1, IDC_HEAD2, IDC_AUTO_CLEAN, IDC_BIDIRECTIONAL, IDC_LINE_WIDTH, IDC_HEAD2_POSITION,
                       IDC_BIDIR_CORRECTION, IDC_HEAD_OVERLAP, IDC_X_SCALE, IDC_Y_SCALE, IDC_MACHINE_LENGTH,
                       IDC_START_OFFSET, IDC_JOB_GAP, IDC_SAVE_PARAMS, IDC_RESTORE_PARAMS})
            Control(id)->setEnabled(false);
    }
    for (int id : {IDC_MAX_SPEED, IDC_IDLE_DISTANCE, IDC_RESOLUTION, IDC_FEED_PULSES, IDC_START_SPEED, IDC_PLOTTER_IP,
                   IDC_CONTROLLER_IP, IDC_CONTROLLER_PORT})
        Control(id)->setEnabled(false);
    m_dlgHotFolder = QString::fromStdString(g_settings.m_hotFolder);
    ShowHotFolder();
}

QWidget* CDlgPara::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CDlgPara::CreateControls()
{
    struct Spec {
        int id;
        const char* label;
        Kind kind;
        std::atomic<int> CSettings::*member;
    };
    // The order in which OK checks the fields, and so which message comes first.
    static const Spec specs[] = {
        {IDC_PLOTTER_IP, QT_TRANSLATE_NOOP("CDlgPara", "绘图仪IP(重启生效)"), Kind::Address, nullptr},
        {IDC_HEAD1, QT_TRANSLATE_NOOP("CDlgPara", "启用1#喷头"), Kind::Head, nullptr},
        {IDC_HEAD2, QT_TRANSLATE_NOOP("CDlgPara", "启用2#喷头"), Kind::Head, nullptr},
        {IDC_LINE_WIDTH, QT_TRANSLATE_NOOP("CDlgPara", "线宽(1~20)"), Kind::Signed, &CSettings::m_lineWidth},
        {IDC_HEAD2_POSITION, QT_TRANSLATE_NOOP("CDlgPara", "2#喷头位置(100~250栅格)"), Kind::Signed,
         &CSettings::m_head2Position},
        {IDC_BIDIR_CORRECTION, QT_TRANSLATE_NOOP("CDlgPara", "来回校正(0~40栅格)"), Kind::Signed,
         &CSettings::m_bidirCorrection},
        {IDC_X_SCALE, QT_TRANSLATE_NOOP("CDlgPara", "X向1米实际输出(*0.1mm)"), Kind::Unsigned, &CSettings::m_xScale},
        {IDC_Y_SCALE, QT_TRANSLATE_NOOP("CDlgPara", "Y向1米实际输出(*0.1mm)"), Kind::Unsigned, &CSettings::m_yScale},
        {IDC_HEAD_OVERLAP, QT_TRANSLATE_NOOP("CDlgPara", "1#2#喷头X向重合点数(0~10)"), Kind::Unsigned,
         &CSettings::m_headOverlap},
        {IDC_MACHINE_LENGTH, QT_TRANSLATE_NOOP("CDlgPara", "机器实际长度(500~3500mm)"), Kind::Unsigned,
         &CSettings::m_machineLength},
        {IDC_START_OFFSET, QT_TRANSLATE_NOOP("CDlgPara", "打印起点调整(mm)"), Kind::Unsigned, &CSettings::m_startOffset},
        {IDC_JOB_GAP, QT_TRANSLATE_NOOP("CDlgPara", "图形之间走纸向间距(0~250mm)"), Kind::Unsigned, &CSettings::m_jobGap},
        {IDC_AUTO_CLEAN, QT_TRANSLATE_NOOP("CDlgPara", "自动清洗喷头"), Kind::Check, &CSettings::m_autoClean},
        {IDC_PAGE_WIDTH, QT_TRANSLATE_NOOP("CDlgPara", "自动分页宽度(纸宽)(mm)"), Kind::Unsigned, &CSettings::m_pageWidth},
        {IDC_WIDE_MODE, QT_TRANSLATE_NOOP("CDlgPara", "宽幅模式(图形超过纸宽时先旋转再分页)"), Kind::Check,
         &CSettings::m_wideMode},
        {IDC_AUTO_START, QT_TRANSLATE_NOOP("CDlgPara", "自动开始打印"), Kind::Check, &CSettings::m_autoStart},
        {IDC_FEED_PULSES, QT_TRANSLATE_NOOP("CDlgPara", "走纸轴每mm脉冲数(脉冲/mm)"), Kind::Double, nullptr},
        {IDC_MAX_SPEED, QT_TRANSLATE_NOOP("CDlgPara", "小车最大速度(400~999)"), Kind::Unsigned, &CSettings::m_maxSpeed},
        {IDC_BIDIRECTIONAL, QT_TRANSLATE_NOOP("CDlgPara", "双向打印"), Kind::Check, &CSettings::m_bidirectional},
        {IDC_IDLE_DISTANCE, QT_TRANSLATE_NOOP("CDlgPara", "喷墨空走距离(50~200mm)"), Kind::Unsigned,
         &CSettings::m_idleDistance},
        {IDC_RESOLUTION, QT_TRANSLATE_NOOP("CDlgPara", "光栅分辨率(0-180 1-150dpi)(重启生效)"), Kind::Unsigned,
         &CSettings::m_resolution},
        {IDC_START_SPEED, QT_TRANSLATE_NOOP("CDlgPara", "小车起始速度(100~250)"), Kind::Unsigned, &CSettings::m_startSpeed},
        {IDC_CARTRIDGE1_ON_RIGHT, QT_TRANSLATE_NOOP("CDlgPara", "1#墨盒在右边"), Kind::Check,
         &CSettings::m_cartridge1OnRight},
        {IDC_CONTROLLER_IP, QT_TRANSLATE_NOOP("CDlgPara", "控制器地址(网口连接)"), Kind::Address, nullptr},
        {IDC_CONTROLLER_PORT, QT_TRANSLATE_NOOP("CDlgPara", "控制器端口(网口连接)"), Kind::Unsigned,
         &CSettings::m_controllerPort},
    };
    for (const Spec& s : specs) {
        QWidget* control = nullptr;
        const QString label = CDlgPara::tr(s.label);
        if (s.kind == Kind::Check || s.kind == Kind::Head) {
            control = new QCheckBox(label, this);
        } else {
            control = s.kind == Kind::Address ? static_cast<QWidget*>(new CIpAddressEdit(this)) : new QLineEdit(this);
            auto* l = new QLabel(label, this);
            l->setBuddy(control);
            m_labels[s.id] = l;
        }
        control->setObjectName(QString::number(s.id));
        m_controls[s.id] = control;
        m_fields.push_back({s.id, s.kind, s.member});
    }
    for (int id : {IDC_HEAD1, IDC_HEAD2})
        connect(Check(Control(id)), &QCheckBox::clicked, this, [this, id] { OnHead(id); });

    auto button = [this](int id, const QString& text, void (CDlgPara::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        m_controls[id] = b;
        return b;
    };
    button(IDC_ADVANCED, CDlgPara::tr("高级参数"), &CDlgPara::OnAdvanced);
    button(IDC_SAVE_PARAMS, CDlgPara::tr("保存参数"), &CDlgPara::OnSaveParams);
    button(IDC_RESTORE_PARAMS, CDlgPara::tr("恢复参数"), &CDlgPara::OnRestoreParams);
    button(IDC_HOT_FOLDER, CDlgPara::tr("数据目录"), &CDlgPara::OnHotFolder);
    button(IDOK_BUTTON, CDlgPara::tr("确定"), &CDlgPara::accept)->setDefault(true);
    button(IDCANCEL_BUTTON, CDlgPara::tr("取消"), &CDlgPara::reject);

    auto* path = new QLabel(this);
    path->setObjectName(QString::number(IDC_HOT_FOLDER_PATH));
    path->setTextFormat(Qt::RichText);
    path->setOpenExternalLinks(true);
    path->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    path->setWordWrap(true);
    m_controls[IDC_HOT_FOLDER_PATH] = path;

    for (const Field& f : m_fields)
        if (f.kind != Kind::Check && f.kind != Kind::Head && f.kind != Kind::Address)
            Edit(Control(f.id))->setMaximumWidth(Edit(Control(f.id))->fontMetrics().horizontalAdvance(u'0') * 10 + 12);
}

void CDlgPara::LayOut()
{
    auto form = [this](QGroupBox* group, std::initializer_list<int> ids) {
        auto* f = new QFormLayout(group);
        f->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
        for (int id : ids) {
            if (const auto l = m_labels.find(id); l != m_labels.end())
                f->addRow(l->second, Control(id));
            else
                f->addRow(Control(id));
        }
        return f;
    };
    auto* basic = new QGroupBox(CDlgPara::tr("基本参数"), this);
    auto* heads = new QHBoxLayout;
    heads->addWidget(Control(IDC_HEAD1));
    heads->addWidget(Control(IDC_HEAD2));
    heads->addStretch();
    form(basic, {IDC_LINE_WIDTH, IDC_HEAD2_POSITION, IDC_BIDIR_CORRECTION, IDC_X_SCALE, IDC_Y_SCALE, IDC_HEAD_OVERLAP,
                 IDC_MACHINE_LENGTH, IDC_START_OFFSET, IDC_JOB_GAP, IDC_AUTO_CLEAN, IDC_PAGE_WIDTH, IDC_WIDE_MODE,
                 IDC_AUTO_START, IDC_BIDIRECTIONAL})
        ->insertRow(0, heads);

    auto* advanced = new QGroupBox(CDlgPara::tr("高级参数"), this);
    form(advanced, {IDC_PLOTTER_IP, IDC_FEED_PULSES, IDC_MAX_SPEED, IDC_IDLE_DISTANCE, IDC_RESOLUTION, IDC_START_SPEED,
                    IDC_CONTROLLER_IP, IDC_CONTROLLER_PORT, IDC_CARTRIDGE1_ON_RIGHT, IDC_ADVANCED});

    auto* hot = new QGroupBox(CDlgPara::tr("自动绘图"), this);
    auto* hotRow = new QHBoxLayout(hot);
    hotRow->addWidget(Control(IDC_HOT_FOLDER));
    hotRow->addWidget(Control(IDC_HOT_FOLDER_PATH), 1);

    auto* right = new QVBoxLayout;
    right->addWidget(advanced);
    right->addWidget(hot);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(basic);
    columns->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Control(IDC_SAVE_PARAMS));
    buttons->addWidget(Control(IDC_RESTORE_PARAMS));
    buttons->addStretch();
    buttons->addWidget(Control(IDOK_BUTTON));
    buttons->addWidget(Control(IDCANCEL_BUTTON));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
}

void CDlgPara::RefillFromSettings()
{
    if (g_connected != 0)
        BlockToSettings();  // the controller's values, not what the monitor may be writing
    ShowSettings();
}

void CDlgPara::ShowSettings()
{
    for (const Field& f : m_fields) {
        QWidget* c = Control(f.id);
        switch (f.kind) {
        case Kind::Check: Check(c)->setChecked((g_settings.*f.member).load() != 0); break;
        case Kind::Signed:
        case Kind::Unsigned: Edit(c)->setText(QString::number((g_settings.*f.member).load())); break;
        case Kind::Double: Edit(c)->setText(DoubleText(g_settings.m_feedPulsesPerMm)); break;
        case Kind::Address:
            Address(c)->SetAddress(f.id == IDC_PLOTTER_IP ? g_settings.m_plotterIp.load()
                                                          : g_settings.m_controllerIp.load());
            break;
        case Kind::Head: {
            // Mode 1 is head 1 alone, 2 head 2 alone; 0 and anything else both.
            const int mode = g_settings.m_headMode;
            Check(c)->setChecked(f.id == IDC_HEAD1 ? mode != 2 : mode != 1);
            break;
        }
        }
    }
    ShowHotFolder();
}

void CDlgPara::ShowHotFolder()
{
    auto* path = static_cast<QLabel*>(Control(IDC_HOT_FOLDER_PATH));
    path->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                      .arg(QUrl::fromLocalFile(m_dlgHotFolder).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                           m_dlgHotFolder.toHtmlEscaped()));
    path->setToolTip(m_dlgHotFolder);
}

void CDlgPara::OnHead(int id)
{
    // At least one head stays in use: clearing the last one checks the other.
    QCheckBox* clicked = Check(Control(id));
    QCheckBox* other = Check(Control(id == IDC_HEAD1 ? IDC_HEAD2 : IDC_HEAD1));
    if (!clicked->isChecked() && !other->isChecked())
        other->setChecked(true);
}

void CDlgPara::OnAdvanced()
{
    const std::optional<QString> code = CDlgGetPwd::Ask(this);
    if (!code)
        return;
    const QString upper = code->toUpper();
    if (upper != QLatin1String("QZRW") && upper != QLatin1String("YJ")) {
        ShowMessage(this, CDlgPara::tr("密码错误"), CMessageSink::Warning);
        return;
    }
    for (int id : {IDC_FEED_PULSES, IDC_START_SPEED, IDC_PLOTTER_IP, IDC_MAX_SPEED, IDC_RESOLUTION, IDC_IDLE_DISTANCE,
                   IDC_CONTROLLER_IP, IDC_CONTROLLER_PORT})
        Control(id)->setEnabled(true);
}

namespace {
// Refuses a field: the message, then the operator corrects it in place.
bool Refuse(QWidget* dialog, QLineEdit* edit, const QString& message)
{
    ShowMessage(dialog, message, CMessageSink::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}
}  // namespace

bool CDlgPara::TakeInteger(const Field& f, int& value)
{
    auto* edit = Edit(Control(f.id));
    long long v = 0;
    if (!ParseInteger(edit->text(), f.kind == Kind::Signed, v))
        return Refuse(this, edit, f.kind == Kind::Signed ? CDlgPara::tr("请输入一个整数。") : CDlgPara::tr("请输入一个正整数。"));
    const ParamRange& range = RangeOf(f.member);
    if (!range.Contains(v))
        return Refuse(this, edit, CDlgPara::tr("请输入一个 %1 至 %2 之间的整数。").arg(range.min).arg(range.max));
    value = static_cast<int>(v);
    return true;
}

bool CDlgPara::TakeDouble(const Field& f, double& value)
{
    auto* edit = Edit(Control(f.id));
    if (!ParseDouble(edit->text(), value))
        return Refuse(this, edit, CDlgPara::tr("请输入一个数字。"));
    if (!(value >= FEED_PULSES_PER_MM_MIN && value <= FEED_PULSES_PER_MM_MAX))
        return Refuse(this, edit, CDlgPara::tr("请输入一个 %1 至 %2 之间的数字。")
                                      .arg(NumberText(FEED_PULSES_PER_MM_MIN), NumberText(FEED_PULSES_PER_MM_MAX)));
    return true;
}

void CDlgPara::accept()
{
    // Every field first: one refused leaves the settings and the controller alone.
    std::map<int, int> ints;
    double feedPulses = 0;
    for (const Field& f : m_fields) {
        switch (f.kind) {
        case Kind::Check:
        case Kind::Head: ints[f.id] = Check(Control(f.id))->isChecked() ? 1 : 0; break;
        case Kind::Address: break;
        case Kind::Double:
            if (!TakeDouble(f, feedPulses))
                return;
            break;
        case Kind::Signed:
        case Kind::Unsigned:
            if (!TakeInteger(f, ints[f.id]))
                return;
            break;
        }
    }
    auto set = [&](std::initializer_list<int> ids) {
        for (int id : ids)
            for (const Field& f : m_fields)
                if (f.id == id)
                    g_settings.*f.member = ints[id];
    };
    g_settings.m_feedPulsesPerMm = feedPulses;
    g_settings.m_plotterIp = Address(Control(IDC_PLOTTER_IP))->Address();
    set({IDC_X_SCALE, IDC_Y_SCALE, IDC_MACHINE_LENGTH, IDC_START_OFFSET, IDC_MAX_SPEED, IDC_BIDIRECTIONAL,
         IDC_HEAD_OVERLAP, IDC_HEAD2_POSITION, IDC_BIDIR_CORRECTION});
    const bool head1 = ints[IDC_HEAD1] != 0, head2 = ints[IDC_HEAD2] != 0;
    g_settings.m_headMode = head1 && !head2 ? 1 : !head1 && head2 ? 2 : 0;
    set({IDC_IDLE_DISTANCE, IDC_JOB_GAP, IDC_LINE_WIDTH, IDC_AUTO_CLEAN, IDC_RESOLUTION, IDC_START_SPEED,
         IDC_AUTO_START, IDC_WIDE_MODE, IDC_PAGE_WIDTH});
    // On every OK, changed or not: the worker thread in charge sends the block.
    g_settings.RequestParamSave();
    set({IDC_CARTRIDGE1_ON_RIGHT, IDC_CONTROLLER_PORT});
    g_settings.m_controllerIp = Address(Control(IDC_CONTROLLER_IP))->Address();
    QDialog::accept();
}

QString CDlgPara::ChooseFile(const QString& title, bool save)
{
    const QString filter = CDlgPara::tr("参数文件(*.vxp)");
    if (m_chooseFile)
        return m_chooseFile(title, save, filter);
    return save ? QFileDialog::getSaveFileName(this, title, QString(), filter)
                : QFileDialog::getOpenFileName(this, title, QString(), filter);
}

void CDlgPara::OnSaveParams()
{
    const QString chosen = ChooseFile(CDlgPara::tr("保存参数"), true);
    if (chosen.isEmpty())
        return;
    // The block as last read from or sent to the controller: edits not yet
    // confirmed with OK are not in it.
    const std::string path = WithParamFileExtension(chosen.toStdString());
    ShowEngineMessage(this, SaveParamFile(path, g_paramBlock.Load()));
}

void CDlgPara::OnRestoreParams()
{
    const QString chosen = ChooseFile(CDlgPara::tr("恢复参数"), false);
    if (chosen.isEmpty())
        return;
    ParamBlock block;
    if (const std::string error = LoadParamFile(chosen.toStdString(), block); !error.empty()) {
        ShowEngineMessage(this, error);
        return;
    }
    // Nothing is sent: the restored values reach the controller with OK.
    g_paramBlock.Store(block);
    BlockToSettings();
    g_settings.m_lineWidth = 1;
    RefillFromSettings();
}

void CDlgPara::OnHotFolder()
{
    const QString title = CDlgPara::tr("选择绘图文件存放的目录");
    const QString chosen = m_chooseFolder ? m_chooseFolder(title) : QFileDialog::getExistingDirectory(this, title);
    if (chosen.isEmpty())
        return;
    const QString folder = chosen + u'/';
    // Too short, not a directory, or the application directory (its files
    // are the program's own); the engine says which.
    if (const std::string problem = g_settings.PlotFolderProblem(folder.toStdString()); !problem.empty()) {
        MessageSink().Show(this, CDlgPara::tr("非法的临时文件目录") + u'\n' + QString::fromStdString(problem), QString(),
                           CMessageSink::Warning, CMessageSink::Ok);
    } else {
        // Every file that lands in the hot folder is taken away from it.
        const bool holdsFiles =
            !QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
        if (!holdsFiles ||
            MessageSink().Show(this,
                               CDlgPara::tr("当前设置的目录非空，\n如果设置成自动绘图目录，\n当前目录下的文件将被删除。\n是否继续？"),
                               CDlgPara::tr("警告！！！"), CMessageSink::Warning, CMessageSink::OkCancel))
            m_dlgHotFolder = folder;
    }
    // At once: Cancel does not take back a folder chosen here.
    ShowHotFolder();
    g_settings.m_hotFolder = m_dlgHotFolder.toStdString();
    update();
}
