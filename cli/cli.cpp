#include "cli/cli.h"

#include <iostream>

#include "app/settings.h"

namespace cli {
int Fail(const std::string& what, const std::string& message)
{
    std::cerr << "vexagrid-cli: " << what << ": " << message << '\n';
    return 1;
}

std::string Dump(const json& j)
{
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

void LayoutOptions::AddTo(CLI::App* command)
{
    command->add_option("--page-width", pageWidth, "Paper width in mm for the automatic pagination")
        ->check(CLI::Range(1, 1000000));
    command->add_option("--wide-mode", wideMode, "1: turn a graphic wider than the paper before paginating")
        ->check(CLI::IsMember({0, 1}));
    command->add_option("--auto-start", autoStart, "1: new jobs start printing by themselves")
        ->check(CLI::IsMember({0, 1}));
}

void LayoutOptions::LoadSettings() const
{
    if (const std::string message = ::LoadSettings(g_settings); !message.empty())
        std::cerr << "vexagrid-cli: " << message << '\n';
    if (pageWidth)
        g_settings.m_pageWidth = *pageWidth;
    if (wideMode)
        g_settings.m_wideMode = *wideMode;
    if (autoStart)
        g_settings.m_autoStart = *autoStart;
}
}  // namespace cli
