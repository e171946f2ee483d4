#pragma once
// Running the real monitor and plot threads from the command line: the
// main thread owns the job list and handles the worker threads'
// notifications in its own loop.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace cli {
// Where the controller is.
struct LinkOptions {
    std::string tcp;  // HOST:PORT
    bool usb = false;
    bool sim = false;
    std::string simOut;  // where the simulator writes what it printed
    std::optional<double> timeScale;  // --sim only: factor of the designed waits

    void AddTo(CLI::App* command);
    // Points the settings at the chosen link, starting the simulator for
    // --sim and applying its time scale. Returns an error message, or empty.
    std::string Connect();
    // Stops what Connect started.
    void Disconnect();
};

int Print(const std::vector<std::string>& files, int copies, int startAt, LinkOptions& link);
int Serve(const std::string& hotFolder, LinkOptions& link);
}  // namespace cli
