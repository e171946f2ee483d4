#pragma once
// Shared pieces of vexagrid-cli's commands.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace cli {
using nlohmann::json;

// Prints "vexagrid-cli: what: message" on stderr; returns 1 for the exit status.
int Fail(const std::string& what, const std::string& message);

// One line of JSON; odd bytes in file names are replaced, never fatal.
std::string Dump(const json& j);

// The settings the import layout reads, overridable on the command line;
// unset options keep the values of the application directory's Vexa.ini.
struct LayoutOptions {
    std::optional<int> pageWidth;
    std::optional<int> wideMode;
    std::optional<int> autoStart;

    void AddTo(CLI::App* command);
    // Loads the settings (paths, fonts, Vexa.ini) and applies the overrides.
    void LoadSettings() const;
};

int Info(const std::vector<std::string>& files, bool asJson);
int Glyphs(const std::string& outPath, const std::vector<std::string>& texts, double height);
int Convert(const std::vector<std::string>& files, const std::string& outPath);
int TasksSave(const std::vector<std::string>& files, const std::string& outPath);
int TasksShow(const std::string& listPath, bool asJson);
int TasksExport(const std::string& listPath, const std::string& outPath);
}  // namespace cli

namespace cli {
// Machine parameters the raster engine reads, and the job's start position,
// overridable on the command line for swaths and render; and the threads
// that build the swaths, which change nothing in what is written.
struct MachineOptions {
    std::optional<int> headMode, headOverlap, head2Position, lineWidth, resolution, cartridge1OnRight;
    std::optional<int> xScale, yScale, autoClean, machineLength, idleDistance, startOffset;
    int startAt = 0;
    std::optional<int> threads;  // unset: one per core

    void AddTo(CLI::App* command);
    void Apply() const;
    json Used() const;  // the values in force, for reports
    int Threads() const;
};

int Swaths(const std::string& file, const std::string& outDir, const MachineOptions& machine);
int Render(const std::string& file, const std::string& outPng, int scale, const MachineOptions& machine);
}  // namespace cli
