#pragma once
// The window's test classes register themselves here; tests_ui runs the one
// named on its command line (or all of them), on the offscreen platform.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/message_sink.h"

namespace vexa::ui_test {
struct Entry {
    const char* name;
    std::function<QObject*()> make;
};
std::vector<Entry>& Registry();
struct Registrar {
    Registrar(const char* name, std::function<QObject*()> make) { Registry().push_back({name, std::move(make)}); }
};

// Captures every message box and answers every prompt from a script.
class CapturingSink : public CMessageSink {
public:
    CapturingSink() { SetMessageSink(this); }
    ~CapturingSink() override { SetMessageSink(nullptr); }
    bool Show(QWidget*, const QString& text, const QString& caption, Icon, Buttons buttons) override
    {
        messages << text;
        captions << caption;
        if (buttons == OkCancel && !answers.empty()) {
            const bool ok = answers.front();
            answers.pop_front();
            return ok;
        }
        return true;
    }
    std::optional<int> AskInteger(QWidget*, const QString& prompt, int initial) override
    {
        prompts << prompt;
        initials.push_back(initial);
        if (integers.empty())
            return std::nullopt;
        const std::optional<int> v = integers.front();
        integers.pop_front();
        return v;
    }
    QStringList messages, captions, prompts;
    std::vector<int> initials;
    std::deque<bool> answers;                 // OK/Cancel questions, in order (default OK)
    std::deque<std::optional<int>> integers;  // prompt answers, nullopt cancels
};
}  // namespace vexa::ui_test

#define VEXA_UI_TEST(Class) \
    static const ::vexa::ui_test::Registrar Class##_registrar(#Class, [] { return new Class; });
