#include "ui/dlg_get_int_input.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/message_sink.h"

CDlgGetIntInput::CDlgGetIntInput(const QString& prompt, int value, QWidget* parent)
    : QDialog(parent), m_value(value), m_prompt(prompt)
{
    setWindowTitle(tr("输入"));
    m_label = new QLabel(m_prompt, this);
    m_edit = new QLineEdit(QString::number(m_value), this);
    m_edit->selectAll();
    m_label->setBuddy(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgGetIntInput::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(m_label);
    row->addWidget(m_edit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void CDlgGetIntInput::accept()
{
    // Surrounding blanks are forgiven; anything else that is not one signed
    // decimal integer in range is refused and the operator corrects it here.
    bool ok = false;
    const int value = m_edit->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        ShowMessage(this, tr("请输入一个整数。"), CMessageSink::Warning);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_value = value;
    QDialog::accept();
}

std::optional<int> CDlgGetIntInput::Ask(QWidget* parent, const QString& prompt, int initial)
{
    CDlgGetIntInput dialog(prompt, initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.m_value;
}
