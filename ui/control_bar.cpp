#include "ui/control_bar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/settings.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "device/status_text.h"

// The icons live in the library's resources, which a static library only
// links in when something names them.
static void InitBarResources()
{
    Q_INIT_RESOURCE(bar);
}

namespace {
constexpr int ICON_SIZE = 32;
constexpr int BUTTON_SIZE = 48;

// Drawn by Qt Svg itself, so that no icon-engine plugin is needed; the
// double size serves high-density screens.
QPixmap RenderSvg(const QString& path, int size)
{
    QSvgRenderer renderer(path);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon BarIcon(const char* name, const char* checkedName = nullptr)
{
    QIcon icon;
    for (int size : {ICON_SIZE, 2 * ICON_SIZE}) {
        icon.addPixmap(RenderSvg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)), size), QIcon::Normal,
                       QIcon::Off);
        if (checkedName)
            icon.addPixmap(RenderSvg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(checkedName)), size),
                           QIcon::Normal, QIcon::On);
    }
    return icon;
}

QString Duration(qint64 seconds)
{
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    return h > 0 ? QString::asprintf("%lld:%02lld:%02lld", h, m, s) : QString::asprintf("%lld:%02lld", m, s);
}
}  // namespace

CMyDlgBar::CMyDlgBar(QWidget* parent) : QWidget(parent)
{
    InitBarResources();
    m_clock.start();
    m_clockMs = [this] { return m_clock.elapsed(); };

    auto* statusGroup = new QGroupBox(tr("状态:"), this);
    m_status = new QLabel(tr("状态"), statusGroup);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);  // the longest machine texts take two lines
    m_carriage = new QLabel(tr("小车:"), statusGroup);
    m_carriage->setObjectName(QStringLiteral("carriage"));
    m_progress = new QProgressBar(statusGroup);
    m_progress->setObjectName(QStringLiteral("swathProgress"));
    m_progress->setTextVisible(true);
    m_progress->hide();
    m_timeLeft = new QLabel(statusGroup);
    m_timeLeft->setObjectName(QStringLiteral("timeLeft"));
    m_timeLeft->hide();
    auto* statusLayout = new QVBoxLayout(statusGroup);
    statusLayout->addWidget(m_status);
    statusLayout->addWidget(m_carriage);
    // Their place stays while they are hidden, so that the buttons below
    // never move under the operator's pointer when a job starts or ends.
    for (QWidget* w : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_timeLeft)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    statusLayout->addWidget(m_progress);
    statusLayout->addWidget(m_timeLeft);

    auto* controlGroup = new QGroupBox(tr("控制:"), this);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    const auto place = [&](int id, const QIcon& icon, const QString& tip, int row, int column) {
        auto* button = AddButton(id, icon, tip);
        button->setParent(controlGroup);
        grid->addWidget(button, row, column);
    };
    place(ID_START, BarIcon("start"), tr("开始"), 0, 0);
    place(ID_PAUSE, BarIcon("pause"), tr("暂停"), 0, 1);
    place(ID_DELETE_TASK, BarIcon("delete_task"), tr("删除任务"), 0, 2);
    place(ID_CLEAN, BarIcon("clean"), tr("清洗喷头"), 1, 0);
    place(ID_FAN, BarIcon("fan_off", "fan_on"), tr("风扇"), 1, 2);
    grid->setRowMinimumHeight(2, 8);  // the jog cross stands apart
    place(ID_JOG_UP, BarIcon("jog_up"), tr("向上移动"), 3, 1);
    place(ID_JOG_LEFT, BarIcon("jog_left"), tr("向左移动"), 4, 0);
    place(ID_JOG_DOWN, BarIcon("jog_down"), tr("向下移动"), 4, 1);
    place(ID_JOG_RIGHT, BarIcon("jog_right"), tr("向右移动"), 4, 2);
    auto* controlLayout = new QHBoxLayout(controlGroup);
    controlLayout->addStretch();
    controlLayout->addLayout(grid);
    controlLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusGroup);
    layout->addWidget(controlGroup);
    layout->addStretch();
    setMinimumWidth(3 * BUTTON_SIZE + 4 + 40);

    connect(Button(ID_START), &QAbstractButton::clicked, this, &CMyDlgBar::StartRequested);
    connect(Button(ID_PAUSE), &QAbstractButton::clicked, this, &CMyDlgBar::PauseRequested);
    connect(Button(ID_DELETE_TASK), &QAbstractButton::clicked, this, &CMyDlgBar::DeleteTaskRequested);
    connect(Button(ID_CLEAN), &QAbstractButton::clicked, this, [] {
        if (g_machineStatus == STATE_READY)
            g_settings.PostCommand(UI_CLEAN);
    });
    QAbstractButton* fan = Button(ID_FAN);
    fan->setCheckable(true);
    fan->setChecked(m_fanOn != 0);
    connect(fan, &QAbstractButton::clicked, this, [this](bool checked) {
        // The button toggles on every click; the machine hears of it only
        // when it is ready.
        if (g_machineStatus != STATE_READY)
            return;
        m_fanOn = checked ? 1 : 0;
        g_settings.PostCommand(m_fanOn != 0 ? UI_FAN_ON : UI_FAN_OFF);
    });
    // The carriage moves while a jog button is held. A button disabled while
    // held reports its release as well, so the carriage stops.
    const std::pair<int, int> jogs[] = {
        {ID_JOG_UP, UI_JOG_UP}, {ID_JOG_DOWN, UI_JOG_DOWN}, {ID_JOG_LEFT, UI_JOG_LEFT}, {ID_JOG_RIGHT, UI_JOG_RIGHT}};
    for (const auto& [id, code] : jogs) {
        connect(Button(id), &QAbstractButton::pressed, this, [code] { g_settings.PostCommand(code); });
        connect(Button(id), &QAbstractButton::released, this, [] { g_settings.PostCommand(UI_STOP_JOG); });
    }

    UpdateEnables();
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("statusTimer"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &CMyDlgBar::UpdateStatus);
    m_timer->start();
}

QAbstractButton* CMyDlgBar::AddButton(int id, const QIcon& icon, const QString& tip)
{
    auto* button = new QToolButton(this);
    button->setIcon(icon);
    button->setIconSize(QSize(ICON_SIZE, ICON_SIZE));
    button->setFixedSize(BUTTON_SIZE, BUTTON_SIZE);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    m_buttons.insert(id, button);
    return button;
}

QAbstractButton* CMyDlgBar::Button(int id) const
{
    return m_buttons.value(id, nullptr);
}

QString CMyDlgBar::StatusText() const
{
    return m_status->text();
}

QString CMyDlgBar::CarriageText() const
{
    return m_carriage->text();
}

void CMyDlgBar::UpdateStatus()
{
    const MachineStatusText status = CurrentStatusText();
    m_status->setText(QString::fromStdString(status.text));
    // The worker threads raise the flag with each new position; the position
    // shown stays until the next one.
    if (g_carriagePositionNew.exchange(0) == 1)
        m_carriage->setText(QString::fromStdString(CurrentCarriageText()));
    UpdateProgress();
    UpdateEnables();
    if (status.progress)
        emit ProgressChanged();
}

void CMyDlgBar::UpdateEnables()
{
    const int state = g_machineStatus;
    const bool ready = state == STATE_READY;
    const bool paused = state == STATE_PAUSED;
    const bool plotting = state == STATE_PLOTTING;
    Button(ID_START)->setEnabled(ready || paused);
    Button(ID_PAUSE)->setEnabled(plotting);
    Button(ID_DELETE_TASK)->setEnabled(g_plotThread != 0 || plotting || paused);
    Button(ID_CLEAN)->setEnabled(ready);
    Button(ID_FAN)->setEnabled(ready);
    for (int id : {ID_JOG_UP, ID_JOG_DOWN, ID_JOG_LEFT, ID_JOG_RIGHT})
        Button(id)->setEnabled(ready || paused);
}

void CMyDlgBar::UpdateProgress()
{
    const int total = g_swathCount;
    if (g_plotThread == 0 || total <= 0) {
        m_jobSeen = false;
        m_progress->hide();
        m_timeLeft->hide();
        return;
    }
    const int done = std::clamp(g_currentSwath.load(), 0, total);
    const qint64 now = m_clockMs();
    // A job that follows the last one between two ticks starts a new measurement.
    if (!m_jobSeen || total != m_jobSwaths || done < m_lastDone) {
        m_jobSeen = true;
        m_jobSwaths = total;
        m_runMs = 0;
        m_anchorDone = -1;
    } else {
        if (g_machineStatus != STATE_PAUSED)
            m_runMs += std::max<qint64>(now - m_lastTickMs, 0);
        // The first swath carries the job's preparation; the rate counts from its end.
        if (m_anchorDone < 0 && done != m_lastDone) {
            m_anchorDone = done;
            m_anchorMs = m_runMs;
        }
    }
    m_lastTickMs = now;
    m_lastDone = done;

    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->setFormat(tr("条带 %1/%2").arg(std::min(done + 1, total)).arg(total));
    const qint64 measuredMs = m_runMs - m_anchorMs;
    if (m_anchorDone >= 0 && done > m_anchorDone && measuredMs > 0) {
        const qint64 secondsLeft = static_cast<qint64>(total - done) * measuredMs / (done - m_anchorDone) / 1000;
        m_timeLeft->setText(tr("剩余时间: %1").arg(Duration(secondsLeft)));
    } else {
        m_timeLeft->setText(tr("剩余时间: 估算中..."));
    }
    m_progress->show();
    m_timeLeft->show();
}
