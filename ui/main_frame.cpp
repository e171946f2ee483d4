#include "ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QThread>
#include <QToolBar>
#include <QUrl>
#include <cstdio>

#include "app/settings.h"
#include "device/frame_queue.h"
#include "device/link_state.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "ui/control_bar.h"
#include "ui/dlg_para.h"
#include "ui/list_view.h"
#include "ui/message_sink.h"
#include "ui/vexa_view.h"

namespace {
// Command ids of the design (the framework's own for the document commands).
enum : int {
    ID_OPEN_PLT = 1018,
    ID_ADD_PLT = 1019,
    ID_EXPORT = 1020,
    ID_ZOOM_IN = 1022,
    ID_ZOOM_OUT = 1023,
    ID_FIT_SCREEN = 1024,
    ID_PARAMETERS = 1025,
    ID_HIDE_WINDOW = 1026,
    ID_CONTROL_BAR = 1037,
    ID_CHINESE = 1058,
    ID_ENGLISH = 1059,
    ID_TEST_PLOT_FIRST = 1061,
    ID_USB = 32758,
    ID_NETWORK = 32759,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_ABOUT = 57664,
    ID_EXIT = 57665,
    // Ours.
    ID_PRINTED_DOTS = 1100,
};

constexpr int CREATED_WIDTH = 800;
constexpr int CREATED_HEIGHT = 600;
}  // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_centre(m_doc, [this](const vexa::CJobCentre::Event& e) { OnCentreEvent(e); })
{
    setWindowTitle(QStringLiteral("VexaGrid"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vexagrid.svg")));
    setProperty("PROP_KOL_GRID_VX", 1);
    resize(CREATED_WIDTH, CREATED_HEIGHT);
    setAcceptDrops(true);

    // The job list above the preview, one third and two thirds of the height.
    m_mainSplitter = new QSplitter(Qt::Vertical, this);
    m_listView = new CMyListView(m_centre, m_mainSplitter);
    m_preview = new CVexaView(m_doc, m_mainSplitter);
    m_mainSplitter->addWidget(m_listView);
    m_mainSplitter->addWidget(m_preview);
    m_mainSplitter->setSizes({CREATED_HEIGHT / 3, 2 * CREATED_HEIGHT / 3});
    setCentralWidget(m_mainSplitter);
    connect(m_listView, &CMyListView::CurrentPageChanged, m_preview, &CVexaView::SetCurrentPage);
    connect(m_listView, &CMyListView::RedrawPreview, m_preview, &CVexaView::RedrawPreview);
    connect(m_preview, &CVexaView::CursorPosition, this, &CMainFrame::ShowCursorPosition);
    connect(m_preview, &CVexaView::ListChanged, m_listView, &CMyListView::RefreshList);
    connect(m_preview, &CVexaView::PrintedDotsToggled, this, [this](bool shown) {
        m_actions[ID_PRINTED_DOTS]->setChecked(shown);
    });

    m_controlBar = new CMyDlgBar(this);
    m_controlDock = new QDockWidget(CMainFrame::tr("控制面板"), this);
    m_controlDock->setObjectName(QStringLiteral("controlBar"));
    m_controlDock->setWidget(m_controlBar);
    m_controlDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    m_controlDock->setTitleBarWidget(new QWidget(m_controlDock));
    addDockWidget(Qt::RightDockWidgetArea, m_controlDock);
    connect(m_controlBar, &CMyDlgBar::StartRequested, this, &CMainFrame::OnStart);
    connect(m_controlBar, &CMyDlgBar::PauseRequested, this, &CMainFrame::OnPause);
    connect(m_controlBar, &CMyDlgBar::DeleteTaskRequested, this, &CMainFrame::OnDeleteTask);
    connect(m_controlBar, &CMyDlgBar::ProgressChanged, m_preview, &CVexaView::DrawSwathMarker);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    statusBar()->showMessage(CMainFrame::tr("就绪"));
    m_cursorLabel = new QLabel(statusBar());
    statusBar()->addPermanentWidget(m_cursorLabel);
    m_listView->RefreshList();
}

CMainFrame::~CMainFrame()
{
    StopWorkers();
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    auto add = [this](int id, const QString& text, const QString& prompt, auto slot) {
        auto* action = new QAction(text, this);
        action->setStatusTip(prompt);
        connect(action, &QAction::triggered, this, slot);
        m_actions[id] = action;
        return action;
    };
    QStyle* s = style();
    add(ID_ADD_PLT, CMainFrame::tr("添加plt(&A)"), CMainFrame::tr("添加一个plt文件"), &CMainFrame::OnAddPlotFile)
        ->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    m_actions[ID_ADD_PLT]->setToolTip(CMainFrame::tr("添加plt"));
    add(ID_OPEN_PLT, CMainFrame::tr("打开Plt(&P)"), CMainFrame::tr("打开一个plt文件"), &CMainFrame::OnOpenPlotFile)
        ->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    m_actions[ID_OPEN_PLT]->setToolTip(CMainFrame::tr("打开plt"));
    for (int i = 0; i < vexa::CJobCentre::TEST_PLOT_COUNT; ++i) {
        auto* action = new QAction(QStringLiteral("\"%1\"").arg(QLatin1String(vexa::CJobCentre::TEST_PLOT_NAMES[i])), this);
        connect(action, &QAction::triggered, this, [this, i] { OnTestPlot(i); });
        m_actions[ID_TEST_PLOT_FIRST + i] = action;
    }
    add(ID_FILE_OPEN, CMainFrame::tr("打开保存的工作列表(&O)"), CMainFrame::tr("打开保存的打印任务"), &CMainFrame::OnOpenJobList)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    add(ID_FILE_SAVE, CMainFrame::tr("保存当前工作列表(&S)"), CMainFrame::tr("保存打印任务"), &CMainFrame::OnSaveJobList);
    add(ID_EXPORT, CMainFrame::tr("当前列表导出为plt(&E)"), CMainFrame::tr("导出列表为plt文件"), &CMainFrame::OnExport);
    add(ID_EXIT, CMainFrame::tr("退出(&X)"), CMainFrame::tr("退出应用程序；提示保存文档"), &QWidget::close);
    add(ID_CHINESE, CMainFrame::tr("简体中文(&S)"), QString(), [this] { OnLanguage(0); })->setCheckable(true);
    add(ID_ENGLISH, CMainFrame::tr("English(&E)"), QString(), [this] { OnLanguage(1); })->setCheckable(true);
    add(ID_USB, QStringLiteral("USB"), QString(), [this] { OnConnection(0); })->setCheckable(true);
    add(ID_NETWORK, CMainFrame::tr("网口"), QString(), [this] { OnConnection(1); })->setCheckable(true);
    add(ID_PARAMETERS, CMainFrame::tr("机器参数(&P)"), CMainFrame::tr("设置机器参数"), &CMainFrame::OnMachineParameters)
        ->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_actions[ID_PARAMETERS]->setToolTip(CMainFrame::tr("设置机器参数"));
    add(ID_ABOUT, CMainFrame::tr("关于 VexaGrid(&A)..."), CMainFrame::tr("显示程序信息，版本号和版权"), &CMainFrame::OnAbout);
    add(ID_HIDE_WINDOW, CMainFrame::tr("隐藏窗口"), CMainFrame::tr("隐藏窗口"), &CMainFrame::OnHideWindow)
        ->setIcon(s->standardIcon(QStyle::SP_TitleBarMinButton));
    add(ID_CONTROL_BAR, CMainFrame::tr("控制面板"), QString(), &CMainFrame::OnToggleControlBar)->setCheckable(true);
    m_actions[ID_CONTROL_BAR]->setIcon(s->standardIcon(QStyle::SP_FileDialogListView));
    m_actions[ID_CONTROL_BAR]->setChecked(true);
    add(ID_ZOOM_IN, CMainFrame::tr("放大"), QString(), [this] { m_preview->ZoomIn(); })->setShortcut(QKeySequence(Qt::Key_PageUp));
    add(ID_ZOOM_OUT, CMainFrame::tr("缩小"), QString(), [this] { m_preview->ZoomOut(); })
        ->setShortcut(QKeySequence(Qt::Key_PageDown));
    add(ID_FIT_SCREEN, CVexaView::FitScreenText(), QString(), [this] { m_preview->OnFitScreen(); });
    add(ID_PRINTED_DOTS, CVexaView::PrintedDotsText(), CVexaView::PrintedDotsPrompt(),
        [this](bool checked) { m_preview->SetPrintedDotsShown(checked); })
        ->setCheckable(true);
    m_actions[ID_PRINTED_DOTS]->setIcon(QIcon(QStringLiteral(":/icons/printed_dots.svg")));
    m_actions[ID_PRINTED_DOTS]->setToolTip(CVexaView::PrintedDotsPrompt());
    for (int id : {ID_ZOOM_IN, ID_ZOOM_OUT})
        addAction(m_actions[id]);
    m_actions[ID_CHINESE]->setChecked(g_settings.m_language == 0);
    m_actions[ID_ENGLISH]->setChecked(g_settings.m_language == 1);
    m_actions[ID_USB]->setChecked(g_settings.m_useEthernet == 0);
    m_actions[ID_NETWORK]->setChecked(g_settings.m_useEthernet != 0);
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(CMainFrame::tr("文件(&F)"));
    file->addAction(m_actions[ID_ADD_PLT]);
    file->addAction(m_actions[ID_OPEN_PLT]);
    QMenu* tests = file->addMenu(CMainFrame::tr("打开调机文件(&T)"));
    for (int i = 0; i < vexa::CJobCentre::TEST_PLOT_COUNT; ++i)
        tests->addAction(m_actions[ID_TEST_PLOT_FIRST + i]);
    file->addSeparator();
    file->addAction(m_actions[ID_FILE_OPEN]);
    file->addAction(m_actions[ID_FILE_SAVE]);
    file->addSeparator();
    file->addAction(m_actions[ID_EXPORT]);
    file->addSeparator();
    file->addAction(m_actions[ID_EXIT]);

    QMenu* language = menuBar()->addMenu(QStringLiteral("Language(&L)"));
    language->addAction(m_actions[ID_CHINESE]);
    language->addAction(m_actions[ID_ENGLISH]);

    QMenu* settings = menuBar()->addMenu(CMainFrame::tr("设置(&S)"));
    QMenu* link = settings->addMenu(CMainFrame::tr("联机方式"));
    link->addAction(m_actions[ID_USB]);
    link->addAction(m_actions[ID_NETWORK]);
    settings->addAction(m_actions[ID_PARAMETERS]);

    // The preview's view commands, reachable from the menu too.
    QMenu* view = menuBar()->addMenu(CMainFrame::tr("查看(&V)"));
    view->addAction(m_actions[ID_ZOOM_IN]);
    view->addAction(m_actions[ID_ZOOM_OUT]);
    view->addAction(m_actions[ID_FIT_SCREEN]);
    view->addAction(m_actions[ID_PRINTED_DOTS]);
    view->addSeparator();
    view->addAction(m_actions[ID_CONTROL_BAR]);

    QMenu* help = menuBar()->addMenu(CMainFrame::tr("帮助(&H)"));
    help->addAction(m_actions[ID_ABOUT]);
}

void CMainFrame::CreateToolBar()
{
    QToolBar* bar = addToolBar(CMainFrame::tr("工具栏"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(true);
    const int ids[] = {ID_ADD_PLT, ID_OPEN_PLT, ID_PARAMETERS, ID_HIDE_WINDOW, ID_CONTROL_BAR};
    for (size_t i = 0; i < std::size(ids); ++i) {
        bar->addAction(m_actions[ids[i]]);
        if (i < 4)
            bar->addSeparator();
    }
    bar->addSeparator();
    bar->addAction(m_actions[ID_PRINTED_DOTS]);
}

// --- Worker threads ---------------------------------------------------------

void CMainFrame::StartWorkers()
{
    if (m_workersRunning)
        return;
    m_closing = false;
    m_workersRunning = true;
    StartWorkerThreads(*this);
}

void CMainFrame::StopWorkers()
{
    if (!m_workersRunning)
        return;
    m_workersRunning = false;
    StopWorkerThreads([this] { m_closing = true; },
                      [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
}

void CMainFrame::Send(int message, int wParam)
{
    if (m_closing)
        return;
    if (QThread::currentThread() == thread())
        return OnNotification(message, wParam);
    QMetaObject::invokeMethod(this, [this, message, wParam] { OnNotification(message, wParam); },
                              Qt::BlockingQueuedConnection);
}

void CMainFrame::ShowMessage(const std::string& text)
{
    if (m_closing)
        return;
    auto show = [this, text] {
        if (!m_closing)
            ShowEngineMessage(this, text);
    };
    if (QThread::currentThread() == thread())
        return show();
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
}

void CMainFrame::OnNotification(int message, int wParam)
{
    if (m_closing)
        return;
    ++m_handling;
    m_listChanged = false;
    m_centre.Handle(message, wParam);
    if (message == WM_PLOT_FINISHED || m_listChanged)
        AfterListChange();
    --m_handling;
    // A close asked for while the worker thread waited here goes on now that
    // it can be released.
    if (m_handling == 0 && m_closePending) {
        m_closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void CMainFrame::OnCentreEvent(const vexa::CJobCentre::Event& event)
{
    using E = vexa::CJobCentre::Event;
    switch (event.kind) {
    case E::FILE_IMPORTED:
    case E::JOB_STARTED:
    case E::JOB_DONE:
    case E::JOB_ABORTED:
    case E::LIST_LOADED:
        m_listChanged = true;
        break;
    case E::JOB_REFUSED:
    case E::LIST_LOAD_FAILED:
    case E::MESSAGE:
        m_listChanged = true;
        ShowEngineMessage(this, event.text);
        break;
    case E::FILE_REJECTED:
    case E::FILE_FAILED:
    case E::FILE_SKIPPED:
    case E::LIST_SAVED:
        statusBar()->showMessage(QString::fromStdString(event.text), 10000);
        break;
    }
}

void CMainFrame::ShowPage0()
{
    m_preview->SetCurrentPage(0);
}

void CMainFrame::AfterListChange()
{
    m_listView->RefreshList();
    ShowPage0();
    m_preview->RedrawPreview();
}

// --- Commands -----------------------------------------------------------------

QString CMainFrame::ChooseFile(const QString& title, bool save, const QString& filter)
{
    if (m_chooseFile)
        return m_chooseFile(title, save, filter);
    return save ? QFileDialog::getSaveFileName(this, title, QString(), filter)
                : QFileDialog::getOpenFileName(this, title, QString(), filter);
}

namespace {
QString PlotFilter()
{
    return CMainFrame::tr("All file(*.*) (*);;HP-GL(*.plt) (*.plt *.PLT)");
}
QString TaskFilter()
{
    return CMainFrame::tr("喷墨打印任务(*.vxtask) (*.vxtask)");
}
}  // namespace

void CMainFrame::OnAddPlotFile()
{
    const QString path = ChooseFile(CMainFrame::tr("添加plt"), false, PlotFilter());
    if (!path.isEmpty())
        AddPlotFiles({path});
}

void CMainFrame::AddPlotFiles(const QStringList& paths)
{
    for (const QString& path : paths)
        ShowEngineMessage(this, m_centre.AddPlotFile(path.toStdString()));
    AfterListChange();
}

void CMainFrame::OnOpenPlotFile()
{
    if (vexa::CJobCentre::JobRunning()) {
        ShowEngineMessage(this, m_centre.OpenPlotFile({}));  // the refusal
        return;
    }
    const QString path = ChooseFile(CMainFrame::tr("打开plt"), false, PlotFilter());
    if (!path.isEmpty())
        ShowEngineMessage(this, m_centre.OpenPlotFile(path.toStdString()));
    AfterListChange();
}

void CMainFrame::OnTestPlot(int index)
{
    ShowEngineMessage(this, m_centre.OpenTestPlot(index));
    AfterListChange();
}

void CMainFrame::OnOpenJobList()
{
    const QString path = ChooseFile(CMainFrame::tr("打开保存的工作列表"), false, TaskFilter());
    if (path.isEmpty())
        return;
    const std::string error = m_centre.OpenTaskFile(path.toStdString());
    if (error.empty())
        m_taskFilePath = path;
    ShowEngineMessage(this, error);
    AfterListChange();
}

void CMainFrame::OnSaveJobList()
{
    QString path = m_taskFilePath;
    if (path.isEmpty()) {
        path = ChooseFile(CMainFrame::tr("保存当前工作列表"), true, TaskFilter());
        if (path.isEmpty())
            return;
        if (!path.endsWith(QStringLiteral(".vxtask"), Qt::CaseInsensitive))
            path += QStringLiteral(".vxtask");
    }
    const std::string error = m_centre.SaveTaskFile(path.toStdString());
    if (error.empty())
        m_taskFilePath = path;
    ShowEngineMessage(this, error);
}

void CMainFrame::OnExport()
{
    const QString path = ChooseFile(CMainFrame::tr("当前列表导出为plt"), true, PlotFilter());
    if (!path.isEmpty())
        ShowEngineMessage(this, m_centre.ExportList(path.toStdString()));
}

void CMainFrame::OnLanguage(int language)
{
    if (g_settings.m_language != language) {
        g_settings.m_language = language;
        ::ShowMessage(this, language == 0 ? QStringLiteral("语言设置改变，重启程序生效")
                                          : QStringLiteral("You Changed the language settings,please restart the Application"));
    }
    m_actions[ID_CHINESE]->setChecked(g_settings.m_language == 0);
    m_actions[ID_ENGLISH]->setChecked(g_settings.m_language == 1);
}

void CMainFrame::OnConnection(int useEthernet)
{
    g_settings.m_useEthernet = useEthernet;
    m_actions[ID_USB]->setChecked(useEthernet == 0);
    m_actions[ID_NETWORK]->setChecked(useEthernet != 0);
}

void CMainFrame::OnMachineParameters()
{
    if (g_connected == 0)
        ::ShowMessage(this, CMainFrame::tr("未连接绘图机，读取参数失败！"), CMessageSink::Warning);
    {
        CDlgPara dialog(this);
        dialog.m_chooseFile = m_chooseFile;
        dialog.exec();
    }
    // The page width or the scale may have changed.
    m_preview->FitToWindow();
    m_preview->RedrawPreview();
    update();
}

void CMainFrame::OnAbout()
{
    ::ShowMessage(this, CMainFrame::tr("VexaGrid V1.2.1\n发布日期:2018年12月30日"));
}

void CMainFrame::OnHideWindow()
{
    // Without a tray, hiding would leave no way back: minimise instead.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(windowIcon(), this);
        m_tray->setToolTip(QStringLiteral("VexaGrid"));
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick)
                RestoreFromTray();
        });
    }
    m_tray->show();
    hide();
}

void CMainFrame::RestoreFromTray()
{
    if (m_tray)
        m_tray->hide();
    showNormal();
    raise();
    activateWindow();
}

bool CMainFrame::ShowFromElsewhere()
{
    if (m_tray && m_tray->isVisible())
        return false;  // hidden in the tray: the second start says so
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    std::fprintf(stderr, "vexagrid: window raised for a second start\n");
    return true;
}

void CMainFrame::OnToggleControlBar()
{
    m_controlBarVisible = m_controlBarVisible ? 0 : 1;
    m_controlDock->setVisible(m_controlBarVisible != 0);
    m_actions[ID_CONTROL_BAR]->setChecked(m_controlBarVisible != 0);
}

void CMainFrame::OnStart()
{
    m_centre.Start();
    m_listView->RefreshList();
}

void CMainFrame::OnPause()
{
    m_centre.Pause();
}

void CMainFrame::OnDeleteTask()
{
    m_centre.DeleteTask();
    m_listView->RefreshList();
    m_preview->RedrawPreview();
}

void CMainFrame::ShowCursorPosition(int x, int y)
{
    m_cursorLabel->setText(QStringLiteral("坐标:(%1mm,%2mm)").arg(x / 40).arg(y / 40));
}

std::string CMainFrame::OpenStartTaskFile(const std::string& path)
{
    const std::string error = m_centre.OpenTaskFile(path);
    if (error.empty())
        m_taskFilePath = QString::fromStdString(path);
    AfterListChange();
    return error;
}

// --- Close and drop -----------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A worker thread waits for a notification being handled: close once it
    // has been released, or the threads could never be joined.
    if (m_handling > 0) {
        m_closePending = true;
        event->ignore();
        return;
    }
    if (vexa::CJobCentre::JobRunning() &&
        !MessageSink().Show(this, CMainFrame::tr("机器正在运行,强行关闭可能造成任务失败!\n是否强行关闭程序?"), CMainFrame::tr("提示"),
                            CMessageSink::Warning, CMessageSink::OkCancel)) {
        event->ignore();
        return;
    }
    m_centre.Close();
    StopWorkers();
    if (m_tray)
        m_tray->hide();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (!paths.isEmpty()) {
        AddPlotFiles(paths);
        event->acceptProposedAction();
    }
}
