// vexagrid: the output centre's window.
#include <QApplication>
#include <cstdio>

#include "ui/vexa_app.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VexaGrid"));
    QApplication::setApplicationDisplayName(QStringLiteral("VexaGrid"));
    QString message;
    const auto options = CVexaApp::ParseArguments(QApplication::arguments(), message);
    if (!options) {
        std::fprintf(stderr, "vexagrid: %s\n", qPrintable(message));
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
