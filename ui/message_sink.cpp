#include "ui/message_sink.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/dlg_get_int_input.h"

namespace {
class CDialogSink : public CMessageSink {
public:
    bool Show(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        QMessageBox box(icon == Critical  ? QMessageBox::Critical
                        : icon == Warning ? QMessageBox::Warning
                                          : QMessageBox::Information,
                        caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                        buttons == OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
        return box.exec() == QMessageBox::Ok;
    }
    std::optional<int> AskInteger(QWidget* parent, const QString& prompt, int initial) override
    {
        return CDlgGetIntInput::Ask(parent, prompt, initial);
    }
};

CDialogSink s_dialogs;
CMessageSink* s_sink = &s_dialogs;
}  // namespace

CMessageSink& MessageSink()
{
    return *s_sink;
}

void SetMessageSink(CMessageSink* sink)
{
    s_sink = sink ? sink : &s_dialogs;
}

void ShowEngineMessage(QWidget* parent, const std::string& text, CMessageSink::Icon icon)
{
    if (!text.empty())
        MessageSink().Show(parent, QString::fromStdString(text), QString(), icon, CMessageSink::Ok);
}
