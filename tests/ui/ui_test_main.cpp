#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/settings.h"
#include "app/time_scale.h"
#include "tests/ui/ui_test.h"

namespace vexa::ui_test {
std::vector<Entry>& Registry()
{
    static std::vector<Entry> entries;
    return entries;
}
}  // namespace vexa::ui_test

// tests_ui [CLASS [QTest options...]]: one class, or every class.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    g_settings.InitFontPaths();
    vexa::SetTimeScale(0.001);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QStringList args{QString::fromLocal8Bit(argv[0])};
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    int failures = 0, run = 0;
    for (const auto& entry : vexa::ui_test::Registry()) {
        if (!only.isEmpty() && only != QLatin1String(entry.name))
            continue;
        std::unique_ptr<QObject> test(entry.make());
        failures += QTest::qExec(test.get(), args);
        ++run;
    }
    g_settings.RemoveTempFiles();
    if (run == 0) {
        std::fprintf(stderr, "tests_ui: no test class %s\n", qPrintable(only));
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
