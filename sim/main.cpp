// vexagrid-sim: a simulated plotter controller on 127.0.0.1, for tests, demos
// and operators without a machine.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <pthread.h>

#include "app/version.h"
#include "device/protocol.h"
#include "sim/sim_server.h"

int main(int argc, char** argv)
{
    CLI::App app{"VexaGrid simulated plotter controller (TCP on 127.0.0.1)", "vexagrid-sim"};
    app.set_version_flag("--version", "vexagrid-sim " VEXA_VERSION);
    int port = 5289;
    vexa::sim::SimConfig config;
    config.outputDir = ".";
    std::vector<std::string> faults;
    int carriageTimeoutAt = -1;
    std::string notYet;
    int refuseHeaders = 0;
    bool quiet = false;
    app.add_option("--port", port, "TCP port on 127.0.0.1; 0 picks a free port and prints it")->check(CLI::Range(0, 65535));
    app.add_option("--params", config.paramFile, "Parameter block file (.vxp): loaded at start, saved on every write");
    app.add_option("--out", config.outputDir, "Directory for job-NNNN.png and exchanges.jsonl (default: .)");
    app.add_option("--pace", config.pace, "\"Not yet\" answers before each swath is taken")->check(CLI::Range(0, 1000000));
    app.add_option("--init", config.initExchanges, "Exchanges answered STATE_INIT after the start")->check(CLI::Range(0, 1000000));
    app.add_option("--processing", config.processingExchanges, "Exchanges between a job header and STATE_PLOTTING")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--finishing", config.finishingExchanges, "Exchanges in STATE_FINISHING after a job")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--cleaning", config.cleaningExchanges, "Exchanges in STATE_CLEANING")->check(CLI::Range(1, 1000000));
    app.add_option("--error-hold", config.errorExchanges, "Exchanges an error status lasts before STATE_READY")
        ->check(CLI::Range(1, 1000000));
    app.add_flag("--cartridge1-on-right", config.cartridge1OnRight, "Draw with cartridge 1 on the right");
    app.add_option("--fault", faults,
                   "Reply fault KIND:CODE[:VALUE][@N][*T]; KIND drop, delay, split, short, long, reset; "
                   "CODE a number, a name (status, CMD_POSITION), any or ack; e.g. delay:position:1500, drop:status@3");
    app.add_option("--carriage-timeout-at", carriageTimeoutAt, "Report STATE_CARRIAGE_TIMEOUT at the query of swath K");
    app.add_option("--not-yet", notYet, "K:M: answer the query of swath K \"not yet\" M more times");
    app.add_option("--refuse-header", refuseHeaders, "Refuse the next N job headers")->check(CLI::Range(0, 1000000));
    app.add_flag("-q,--quiet", quiet, "Print only the listening address");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    vexa::sim::SimController controller(config);
    for (const std::string& text : faults) {
        std::string error;
        const auto fault = vexa::sim::ParseFault(text, error);
        if (!fault) {
            std::fprintf(stderr, "vexagrid-sim: %s\n", error.c_str());
            return 2;
        }
        controller.AddFault(*fault);
    }
    if (carriageTimeoutAt >= 0)
        controller.SetCarriageTimeoutAt(carriageTimeoutAt);
    if (!notYet.empty()) {
        int k = 0, m = 0;
        char end = 0;
        if (std::sscanf(notYet.c_str(), "%d:%d%c", &k, &m, &end) != 2 || k < 0 || m < 0) {
            std::fprintf(stderr, "vexagrid-sim: --not-yet wants K:M, not \"%s\"\n", notYet.c_str());
            return 2;
        }
        controller.SetNotYetAt(k, m);
    }
    controller.RefuseJobHeaders(refuseHeaders);
    if (std::string error = controller.Start(); !error.empty()) {
        std::fprintf(stderr, "vexagrid-sim: %s\n", error.c_str());
        return 1;
    }

    // Signals are taken by this thread alone, with sigwait, below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    vexa::sim::SimServer server(controller);
    if (std::string error = server.Start(port); !error.empty()) {
        std::fprintf(stderr, "vexagrid-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("vexagrid-sim: listening on 127.0.0.1:%d\n", server.Port());
    if (!quiet)
        std::printf("vexagrid-sim: output in %s; Ctrl-C stops\n", config.outputDir.c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    if (!quiet)
        std::printf("vexagrid-sim: %zu jobs\n", controller.Jobs().size());
    return 0;
}
