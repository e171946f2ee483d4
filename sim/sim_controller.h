#pragma once
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/param_block.h"
#include "sim/sim_faults.h"
#include "sim/sim_job.h"

namespace vexa::sim {

// How the simulated controller behaves. Its timed states last a number of
// exchanges, not a time, so that it behaves the same at any polling pace: a
// state of n exchanges is in n replies, the one to the command that began it
// included.
struct SimConfig {
    int initExchanges = 1;        // answered STATE_INIT after the start
    int processingExchanges = 2;  // after the job header, before STATE_PLOTTING
    int finishingExchanges = 2;   // after the last swath, before STATE_READY
    int cleaningExchanges = 3;
    int errorExchanges = 5;       // an error status lasts this long, then STATE_READY
    int pace = 0;                 // "not yet" answers before each swath is taken
    int jogStep = 20;             // dots the carriage moves per exchange while jogging
    bool cartridge1OnRight = false;  // an INI preference the controller cannot know
    std::string paramFile;        // the block: loaded at the start when present, saved on every write
    std::string outputDir;        // job-NNNN.png and exchanges.jsonl; empty for neither
    size_t maxJobBytes = 256u << 20;  // swath data kept per job
    size_t logLines = 20000;      // exchanges kept in memory
};

// The plotter's controller board as the program sees it over the link: the
// packets, replies and lengths of the command set, a parameter block, a
// machine status that moves through a job, and the swath data checked with
// the engine's decoder. Thread-safe; a SimSession feeds it a connection's
// bytes, and tests drive and inspect it in-process.
class SimController {
public:
    explicit SimController(SimConfig config = {});
    ~SimController();
    SimController(const SimController&) = delete;
    SimController& operator=(const SimController&) = delete;

    // Loads the parameter file, opens the log. Returns an error message.
    std::string Start();

    // One packet, answered as the reply's bytes shaped by any fault.
    SimOutput HandlePacket(uint8_t code, std::span<const uint8_t> payload);
    // What the next bytes may be: packets only; swath data (the first chunk
    // of a granted swath, or a further one); or zero padding after a
    // complete swath. Only a further chunk cannot be a packet instead.
    enum class DataState { None, Granted, Receiving, Padding };
    DataState SwathDataState() const;
    // One 600-byte chunk of swath data, answered by its acknowledgement.
    SimOutput HandleChunk(std::span<const uint8_t> chunk);
    // The connection ended or turned to packets while swath data was due.
    void AbandonSwathData(const std::string& why);
    // Bytes that are no packet were skipped.
    void NoteSkippedBytes(size_t count);

    // Faults.
    void AddFault(const ReplyFault& fault);
    void ClearFaults();
    // The swath query for swath k reports STATE_CARRIAGE_TIMEOUT (once).
    void SetCarriageTimeoutAt(int swath);
    // The swath query for swath k answers "not yet" count more times (once).
    void SetNotYetAt(int swath, int count);
    // The next count job headers are refused: the status stays as it is.
    void RefuseJobHeaders(int count);

    // Inspection.
    uint8_t Status() const;
    int16_t Position() const;
    bool FanOn() const;
    ParamBlock Block() const;
    void SetBlock(const ParamBlock& block);
    // Jobs that have ended, oldest first.
    std::vector<std::shared_ptr<const SimJob>> Jobs() const;
    // Waits until count jobs have ended and their PNGs are written.
    bool WaitForJobs(size_t count, int timeoutMs) const;
    // The latest exchanges and events, one JSON object per line.
    std::vector<std::string> Log() const;

private:
    struct SwathData;
    void Tick();
    DataState DataStateLocked() const;
    void Enter(uint8_t status, int exchanges);
    std::vector<uint8_t> Answer(uint8_t code, std::span<const uint8_t> payload);
    std::vector<uint8_t> JobHeader(std::span<const uint8_t> payload);
    std::vector<uint8_t> SwathQuery(std::span<const uint8_t> payload);
    std::vector<uint8_t> SwathDone(std::span<const uint8_t> payload);
    void Jog(uint8_t code);
    void EndJob(JobResult result, const std::string& reason, uint8_t status);
    SimOutput Shape(int code, std::vector<uint8_t> reply, std::string& faultName);
    int MaxPosition() const;
    void LogLine(const std::string& line);
    void PngWorker();

    SimConfig m_config;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;

    uint8_t m_status = 0;
    int m_timedLeft = 0;       // exchanges left in a timed state
    uint8_t m_pausedFrom = 0;  // the state a pause interrupted
    int16_t m_position = 0;
    int m_feedPosition = 0;
    int m_carriageJog = 0;  // -1, 0, +1
    int m_feedJog = 0;
    bool m_fanOn = false;
    ParamBlock m_block;

    std::shared_ptr<SimJob> m_job;  // running
    int m_nextSwath = 0;
    int m_paceLeft = 0;
    std::unique_ptr<SwathData> m_data;  // swath data being received

    std::vector<ReplyFault> m_faults;
    int m_carriageTimeoutAt = -1;
    int m_notYetAt = -1;
    int m_notYetCount = 0;
    int m_refuseHeaders = 0;

    int m_jobNumber = 0;
    std::vector<std::shared_ptr<SimJob>> m_jobs;  // ended
    std::deque<std::shared_ptr<SimJob>> m_pngQueue;
    size_t m_pngPending = 0;
    bool m_stopping = false;
    std::thread m_pngThread;

    uint64_t m_sequence = 0;
    std::deque<std::string> m_log;
    FILE* m_logFile = nullptr;
};

}  // namespace vexa::sim
