#include "ui/dlg_get_pwd.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/message_sink.h"

CDlgGetPwd::CDlgGetPwd(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(CDlgGetPwd::tr("输入"));
    auto* label = new QLabel(CDlgGetPwd::tr("请输入密码:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("password"));
    m_edit->setEchoMode(QLineEdit::Password);
    label->setBuddy(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(CDlgGetPwd::tr("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgGetPwd::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void CDlgGetPwd::accept()
{
    const QString text = m_edit->text();
    if (text.size() > MAX_CHARS) {
        ShowMessage(this, CDlgGetPwd::tr("输入的字符请不要多于 %1 个。").arg(MAX_CHARS), CMessageSink::Warning);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_password = text;
    QDialog::accept();
}

std::optional<QString> CDlgGetPwd::Ask(QWidget* parent)
{
    CDlgGetPwd dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.m_password;
}
