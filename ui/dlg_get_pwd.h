#pragma once
#include <QDialog>
#include <optional>

class QLineEdit;

// The access-code prompt ("输入"): "请输入密码:", a password edit and OK.
// More than MAX_CHARS characters are refused and the prompt stays open.
class CDlgGetPwd : public QDialog {
    Q_OBJECT
public:
    static constexpr int MAX_CHARS = 64;

    explicit CDlgGetPwd(QWidget* parent = nullptr);
    // The text typed, taken by OK; empty until then.
    QString m_password;

    // Runs the prompt modally; the text typed, or nullopt when it was closed
    // without OK.
    static std::optional<QString> Ask(QWidget* parent);

    void accept() override;

private:
    QLineEdit* m_edit = nullptr;
};
