#pragma once
#include <QString>
#include <optional>

class QWidget;

// Every message box and integer prompt of the window goes through one sink,
// so that tests capture them instead of blocking on a modal dialog.
class CMessageSink {
public:
    enum Icon { Information, Warning, Critical };
    enum Buttons { Ok, OkCancel };
    virtual ~CMessageSink() = default;
    // Shows text; true when the operator chose OK. An empty caption means the
    // application's title.
    virtual bool Show(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) = 0;
    // CDlgGetIntInput: the entered integer, or nullopt when cancelled.
    virtual std::optional<int> AskInteger(QWidget* parent, const QString& prompt, int initial) = 0;
};

// The sink in force: the real dialogs unless a test has set its own.
CMessageSink& MessageSink();
// Replaces the sink (nullptr brings the real dialogs back).
void SetMessageSink(CMessageSink* sink);

// Shortcuts for the usual cases.
inline void ShowMessage(QWidget* parent, const QString& text, CMessageSink::Icon icon = CMessageSink::Information)
{
    MessageSink().Show(parent, text, QString(), icon, CMessageSink::Ok);
}
// An engine message (UTF-8); nothing when empty.
void ShowEngineMessage(QWidget* parent, const std::string& text, CMessageSink::Icon icon = CMessageSink::Warning);
