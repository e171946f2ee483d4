// The integer prompt: what it takes, what it refuses while staying open, and
// the keyboard's way out.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "tests/ui/ui_test.h"
#include "ui/dlg_get_int_input.h"

namespace {
// Runs action on the modal dialog once its event loop runs.
void OnModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        action(dialog);
    });
}
}  // namespace

class DlgGetIntInputTest : public QObject {
    Q_OBJECT

private slots:
    void refusesAnythingButAnInteger()
    {
        vexa::ui_test::CapturingSink sink;
        CDlgGetIntInput dialog(QStringLiteral("请输入份数:"), 5);
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>();
        QVERIFY(edit);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("输入"));
        QCOMPARE(dialog.findChild<QLabel*>()->text(), QStringLiteral("请输入份数:"));
        QCOMPARE(edit->text(), QStringLiteral("5"));
        for (const char* bad : {"12a", "", "1.5", "0x10", "2147483648", "- 3"}) {
            edit->setText(QString::fromLatin1(bad));
            dialog.accept();
            QVERIFY2(dialog.isVisible(), bad);
            QCOMPARE(sink.messages.last(), QStringLiteral("请输入一个整数。"));
        }
        QCOMPARE(sink.messages.size(), 6);
        QCOMPARE(dialog.m_value, 5);
        edit->setText(QStringLiteral(" -2147483648 "));
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_value, -2147483647 - 1);
        QCOMPARE(sink.messages.size(), 6);
    }

    void enterTakesEscapeCancels()
    {
        OnModal([](QWidget* dialog) {
            dialog->findChild<QLineEdit*>()->setText(QStringLiteral("42"));
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QCOMPARE(CDlgGetIntInput::Ask(nullptr, QStringLiteral("p"), 3), std::optional<int>(42));
        OnModal([](QWidget* dialog) {
            dialog->findChild<QLineEdit*>()->setText(QStringLiteral("42"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(CDlgGetIntInput::Ask(nullptr, QStringLiteral("p"), 3), std::nullopt);
    }
};

VEXA_UI_TEST(DlgGetIntInputTest)
#include "dlg_get_int_input_test.moc"
