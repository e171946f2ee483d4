#include "ui/vexa_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

#include "app/settings.h"
#include "app/time_scale.h"
#include "sim/sim_in_process.h"
#include "ui/main_frame.h"
#include "ui/message_sink.h"
#include "ui/single_instance.h"

const char* CVexaApp::HelpText()
{
    return "VexaGrid output centre: the window the operator works in.\n"
           "Usage: vexagrid [OPTIONS] [TASKFILE.vxtask] [FILE.plt...]\n"
           "\n"
           "A task file opens as the job list; HP-GL files named are added to it as jobs.\n"
           "\n"
           "Options:\n"
           "  --sim                       A simulated controller in this process, on a free loopback port;\n"
           "                              its printed images go to printed/ in the application directory\n"
           "  --time-scale F              With --sim: factor of the program's fixed waits (1 as on a real\n"
           "                              plotter, 0 skips them), 0 to 1000\n"
           "  -h,--help                   Print this help message and exit\n"
           "  --version                   Print the version and exit\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are taken as well.\n";
}

std::optional<CVexaApp::Options> CVexaApp::ParseArguments(const QStringList& arguments, QString& message)
{
    Options options;
    bool timeScaleGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--sim")) {
            options.sim = true;
        } else if (a == QLatin1String("--time-scale") && i + 1 < arguments.size()) {
            bool ok = false;
            options.timeScale = arguments[++i].toDouble(&ok);
            if (!ok || !(options.timeScale >= 0 && options.timeScale <= 1000)) {
                message = QStringLiteral("--time-scale needs a number from 0 to 1000");
                return std::nullopt;
            }
            timeScaleGiven = true;
        } else if (a.startsWith(QLatin1String("-"))) {
            message =
                QStringLiteral("unknown option %1 (vexagrid [--sim [--time-scale F]] [TASKFILE.vxtask] [FILE.plt...])")
                    .arg(a);
            return std::nullopt;
        } else if (!a.endsWith(QLatin1String(".vxtask"), Qt::CaseInsensitive)) {
            // Markers given by name (a file manager's "open with") join the list.
            options.plotFiles << a;
        } else if (options.taskFile.isEmpty()) {
            options.taskFile = a;
        } else {
            message = QStringLiteral("one task file at most");
            return std::nullopt;
        }
    }
    // The fixed waits pace a real plotter; only a simulated one may skip them.
    if (timeScaleGiven && !options.sim) {
        message = QStringLiteral("--time-scale works only with --sim");
        return std::nullopt;
    }
    return options;
}

CVexaApp::CVexaApp() = default;

CVexaApp::~CVexaApp()
{
    ExitInstance();
}

bool CVexaApp::LoadLanguage()
{
    // The English texts are compiled into the program, one file per part.
    const QDir dir(QStringLiteral(":/i18n"));
    bool loaded = false;
    for (const QString& name : dir.entryList({QStringLiteral("*_en.qm")})) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(dir.filePath(name)))
            continue;
        loaded = true;
        if (g_settings.m_language == 1) {
            QCoreApplication::installTranslator(translator.get());
            m_translators.push_back(std::move(translator));
        }
    }
    if (g_settings.m_language == 0) {
        // Qt's own words (OK, Cancel) in Chinese where Qt has them.
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            m_translators.push_back(std::move(qt));
        }
    }
    return loaded;
}

bool CVexaApp::InitInstance(const Options& options, int& status)
{
    status = 0;
    const std::string settingsMessages = LoadSettings(g_settings);
    m_instance = std::make_unique<CSingleInstance>(QString::fromStdString(g_settings.m_appDir));
    if (!m_instance->TryBecomeFirst()) {
        // The markers named here join the running window's list.
        QStringList files;
        for (const QString& file : options.plotFiles)
            files << QFileInfo(file).absoluteFilePath();
        if (m_instance->AskFirstToShow(3000, files) == CSingleInstance::Answer::Hidden)
            ::ShowMessage(nullptr, QObject::tr("程序已经在运行！若在任务栏里找不到，请双击系统托盘里的图标。"));
        g_settings.RemoveTempFiles();
        return false;
    }
    if (!LoadLanguage())
        ::ShowMessage(nullptr, QStringLiteral("加载英文语言包失败!"), CMessageSink::Warning);

    if (options.sim) {
        vexa::SetTimeScale(options.timeScale);
        m_simulator = std::make_unique<vexa::sim::InProcessSimulator>();
        const std::string printed = g_settings.m_appDir + "printed";
        QDir().mkpath(QString::fromStdString(printed));
        if (const std::string error = m_simulator->Start(printed); !error.empty()) {
            ::ShowMessage(nullptr, QString::fromStdString(error), CMessageSink::Critical);
            status = 1;
            return false;
        }
    }

    m_frame = std::make_unique<CMainFrame>();
    m_instance->m_showWindow = [this] { return m_frame->ShowFromElsewhere(); };
    m_instance->m_addFiles = [this](const QStringList& files) { m_frame->AddPlotFiles(files); };
    m_instance->StartAnswering();
    if (!options.taskFile.isEmpty()) {
        const std::string error = m_frame->OpenStartTaskFile(options.taskFile.toStdString());
        if (!error.empty()) {
            ::ShowMessage(nullptr, QString::fromStdString(error), CMessageSink::Critical);
            status = 1;
            return false;
        }
    }
    if (!options.plotFiles.isEmpty())
        m_frame->AddPlotFiles(options.plotFiles);
    // Maximised; without a window manager to do it, as large as the screen.
    if (const QScreen* screen = m_frame->screen())
        m_frame->resize(screen->availableGeometry().size());
    m_frame->showMaximized();
    ShowEngineMessage(m_frame.get(), settingsMessages);
    m_frame->StartWorkers();
    return true;
}

void CVexaApp::ExitInstance()
{
    if (m_frame) {
        m_frame->StopWorkers();
        m_frame.reset();
        SaveSettings(g_settings);  // also removes the font files
    }
    if (m_simulator) {
        m_simulator->Stop();
        m_simulator.reset();
    }
    for (auto& translator : m_translators)
        QCoreApplication::removeTranslator(translator.get());
    m_translators.clear();
    g_settings.RemoveTempFiles();
}
