// vexagrid: the output centre's window.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/version.h"
#include "ui/vexa_app.h"

int main(int argc, char** argv)
{
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(CVexaApp::HelpText(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vexagrid %s\n", VEXA_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VexaGrid"));
    QApplication::setApplicationDisplayName(QStringLiteral("VexaGrid"));
    QString message;
    const auto options = CVexaApp::ParseArguments(QApplication::arguments(), message);
    if (!options) {
        std::fprintf(stderr, "vexagrid: %s\nTry 'vexagrid --help'.\n", qPrintable(message));
        return 2;
    }
    CVexaApp vexa;
    int status = 0;
    if (!vexa.InitInstance(*options, status))
        return status;
    const int code = QApplication::exec();
    vexa.ExitInstance();
    return code;
}
