#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class CMainFrame;
class CSingleInstance;
class QApplication;
class QTranslator;
namespace vexa::sim {
class InProcessSimulator;
}

// Start-up and shutdown of vexagrid: one instance per application
// directory, settings and fonts before the window, the language, the
// simulator of --sim, the task file of the command line; at the end the
// worker threads stopped, the settings saved and the font files removed.
class CVexaApp {
public:
    struct Options {
        bool sim = false;
        double timeScale = 1;
        QString taskFile;
        QStringList plotFiles;  // added to the list in order, after the task file
    };
    // What vexagrid --help prints.
    static const char* HelpText();
    // Parses the command line; nullopt (with the message) when it cannot.
    static std::optional<Options> ParseArguments(const QStringList& arguments, QString& message);

    CVexaApp();
    ~CVexaApp();

    // Everything up to the shown window; false ends the process with status.
    bool InitInstance(const Options& options, int& status);
    // After the event loop: threads, settings, font files, simulator.
    void ExitInstance();

    CMainFrame* Frame() const { return m_frame.get(); }
    // Loads the English texts; false when they cannot be loaded.
    bool LoadLanguage();

private:
    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<vexa::sim::InProcessSimulator> m_simulator;
    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
