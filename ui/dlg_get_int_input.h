#pragma once
#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;

// The prompt for one integer ("输入"): a label, an edit box and OK. OK takes
// the text as a signed decimal integer; anything else is refused with
// "请输入一个整数。" and the dialog stays open. No range check.
class CDlgGetIntInput : public QDialog {
    Q_OBJECT
public:
    CDlgGetIntInput(const QString& prompt, int value, QWidget* parent = nullptr);
    int m_value = 0;
    QString m_prompt;

    // Runs the dialog modally; the entered value, or nullopt when cancelled.
    static std::optional<int> Ask(QWidget* parent, const QString& prompt, int initial);

    void accept() override;

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
};
