#pragma once
#include <atomic>
#include <cstdint>
#include <string>

// 192.168.1.220 with the first octet in the lowest byte.
constexpr uint32_t DEFAULT_PLOTTER_IP = 0xDC01A8C0u;
// The controller's TCP port.
constexpr int DEFAULT_CONTROLLER_PORT = 5289;

// The program's one settings object: paths, the machine parameter set kept in
// the controller's parameter block, the INI preferences and the run-time
// control fields shared with the worker threads.
//
// Strings are UTF-8 inside the program and are written only by the user-
// interface thread. Every field a worker thread reads or writes is atomic.
class CSettings {
public:
    CSettings() = default;
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;
    // Also removes the temp files, so that a run that never saves the
    // settings leaves nothing behind.
    virtual ~CSettings();

    // Computes m_appDir, m_lastTaskPath and the two font paths inside a
    // private temp directory (made on the first call, kept by later ones).
    void InitPaths();
    // The font half of InitPaths: makes the private temp directory and writes
    // the two stroke fonts into it. Enough for a program that only reads HP-GL.
    void InitFontPaths();
    // Validates m_hotFolder, falling back to (and creating) m_appDir + "plot/".
    void CreatePlotFolder();
    // Why folder cannot be the hot folder (every file there is imported or
    // moved away): shorter than 3 characters, not an existing directory, or
    // the application directory. Empty when it can.
    std::string PlotFolderProblem(const std::string& folder) const;
    // Removes the font files and the private temp directory. Safe to repeat.
    void RemoveTempFiles();

    // Mailbox: the user interface posts a code, the worker thread takes it in
    // one atomic exchange, so a code posted in between is never lost.
    void PostCommand(int code) { m_pendingCommand.store(code); }
    int TakeCommand() { return m_pendingCommand.exchange(0); }
    // A parameter save (the settings dialog's OK) waits apart from the
    // mailbox, so that a jog or the fan posted before the worker thread
    // comes round cannot replace it. Saves asked for meanwhile are one save:
    // it sends the settings as they are when it is taken.
    void RequestParamSave() { m_paramSaveRequested.store(1); }
    bool TakeParamSaveRequest() { return m_paramSaveRequested.exchange(0) != 0; }

    std::string DefaultHotFolder() const { return m_appDir + "plot/"; }
    std::string IniPath() const { return m_appDir + "Vexa.ini"; }

    std::string m_hotFolder;
    std::string m_appDir;
    std::string m_lastTaskPath;
    std::string m_hzFontPath;
    std::string m_enFontPath;
    std::string m_tempDir;  // private to this process, ends with '/'

    // Machine parameters (parameter block).
    std::atomic<double> m_feedPulsesPerMm{60.8};
    std::atomic<uint32_t> m_plotterIp{0x00FFFFFFu};  // first octet in the lowest byte
    std::atomic<int> m_xScale{10000};
    std::atomic<int> m_yScale{10000};
    std::atomic<int> m_machineLength{2106};
    std::atomic<int> m_startOffset{0};
    std::atomic<int> m_maxSpeed{700};
    std::atomic<int> m_headMode{0};
    std::atomic<int> m_bidirectional{1};
    std::atomic<int> m_headOverlap{2};
    std::atomic<int> m_head2Position{176};
    std::atomic<int> m_bidirCorrection{10};
    std::atomic<int> m_idleDistance{50};
    std::atomic<int> m_jobGap{50};
    std::atomic<int> m_lineWidth{1};
    std::atomic<int> m_autoClean{0};
    std::atomic<int> m_resolution{0};
    std::atomic<int> m_startSpeed{175};

    // INI preferences.
    std::atomic<int> m_autoStart{0};
    std::atomic<int> m_wideMode{0};
    std::atomic<int> m_pageWidth{0};
    std::atomic<int> m_language{0};

    // Run-time control.
    std::atomic<int> m_quit{0};
    std::atomic<int> m_useEthernet{0};
    // Where the TCP link connects (INI keys of our own): an IPv4 address with
    // the first octet in the lowest byte, as m_plotterIp, and the port.
    std::atomic<uint32_t> m_controllerIp{DEFAULT_PLOTTER_IP};
    std::atomic<int> m_controllerPort{DEFAULT_CONTROLLER_PORT};
    std::atomic<int> m_pollEnabled{1};
    std::atomic<int> m_pendingCommand{0};
    std::atomic<int> m_paramSaveRequested{0};
    std::atomic<int> m_cartridge1OnRight{0};

private:
    // The temp directory this object created; only this one is ever removed.
    std::string m_ownTempDir;
};

extern CSettings g_settings;

// INI persistence (section "Para" of m_appDir + "Vexa.ini"). Problems that
// do not stop the program (a value that is not valid GBK, a file that cannot
// be written) are returned as messages; an empty string means none.
std::string LoadSettings(CSettings& s);
std::string SaveSettings(CSettings& s);

// Dotted-quad text of an address held first octet in the lowest byte, and back.
std::string IpToText(uint32_t ip);
bool IpFromText(const std::string& text, uint32_t& ip);
