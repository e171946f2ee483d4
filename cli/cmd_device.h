#pragma once
// vexagrid-cli status and params: check a plotter's controller from a terminal.
#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace cli {

// How the controller is reached: --tcp HOST:PORT or --usb. With neither,
// the link and the address of the application directory's Vexa.ini.
struct DeviceOptions {
    std::string tcp;
    bool usb = false;

    void AddTo(CLI::App* command);
    // Loads the settings and applies the options; false after a message
    // when the address cannot be used.
    bool Apply() const;
};

// Status byte and carriage position. 0, or 1 when the controller does not answer.
int Status(const DeviceOptions& device, bool asJson);

// action "get": the parameter block; "set": args are NAME=VALUE changes,
// checked against the settings dialog's ranges, written to the controller;
// "save": args[0] is a parameter file to write with the controller's block;
// "load": args[0] is a parameter file whose block is written to the controller.
int Params(const DeviceOptions& device, const std::string& action, const std::vector<std::string>& args,
           bool asJson);

// Both commands as subcommands of app, for main: AddTo before parsing, then
// Run, which gives the exit status when one of them was given.
class DeviceCommands {
public:
    void AddTo(CLI::App& app);
    std::optional<int> Run() const;

private:
    DeviceOptions m_device;
    bool m_json = false;
    std::vector<std::string> m_assignments;
    std::string m_file;
    CLI::App* m_status = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_set = nullptr;
    CLI::App* m_save = nullptr;
    CLI::App* m_load = nullptr;
};

}  // namespace cli
