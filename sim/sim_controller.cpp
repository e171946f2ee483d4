#include "sim/sim_controller.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/settings.h"
#include "device/param_file.h"

namespace vexa::sim {
namespace {
using nlohmann::json;

constexpr size_t RECORD_WORDS = 22;
constexpr size_t LEADING_RECORDS = 30;
constexpr uint16_t MAX_ZERO_RUN = 65000;

std::string Hex(std::span<const uint8_t> bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

bool IsErrorStatus(uint8_t status)
{
    return status == STATE_MEM_ERROR || status == STATE_INIT_TIMEOUT || status == STATE_CARRIAGE_LINK_ERROR ||
           status == STATE_CARRIAGE_TIMEOUT;
}

ParamBlock DefaultBlock()
{
    const CSettings defaults;  // the machine parameters a new program starts with
    ParamBlock block = SettingsToBlock(defaults, ParamBlock{});
    block.plotterIp = DEFAULT_PLOTTER_IP;  // the address a controller comes with
    return block;
}
}  // namespace

// Swath data being received: where the zero-run stream ends is only known
// by counting its words as they come; DecodeSwathStream then checks it.
struct SimController::SwathData {
    int swath = 0;
    bool repeat = false;  // a swath already printed, sent again
    size_t expectedWords = 0;
    size_t words = 0;
    bool pendingZero = false;
    bool ended = false;  // the count is reached, or the stream cannot go on
    // The swath is complete; the host may still send chunks of zero padding
    // (its length counted bytes past the stream's end).
    bool padding = false;
    int chunks = 0;
    std::vector<uint8_t> bytes;
};

SimController::SimController(SimConfig config) : m_config(std::move(config)), m_block(DefaultBlock())
{
    // No exchange enters STATE_INIT, so it counts one more than the others.
    m_status = m_config.initExchanges > 0 ? STATE_INIT : STATE_READY;
    m_timedLeft = m_config.initExchanges > 0 ? m_config.initExchanges + 1 : 0;
}

SimController::~SimController()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_pngThread.joinable())
        m_pngThread.join();
    if (m_logFile)
        std::fclose(m_logFile);
}

std::string SimController::Start()
{
    std::lock_guard lock(m_mutex);
    if (!m_config.paramFile.empty() && std::filesystem::exists(m_config.paramFile)) {
        ParamBlock block = m_block;
        if (std::string error = LoadParamFile(m_config.paramFile, block); !error.empty())
            return error;
        m_block = block;
    }
    if (!m_config.outputDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(m_config.outputDir, ec);
        const std::string logPath = m_config.outputDir + "/exchanges.jsonl";
        m_logFile = std::fopen(logPath.c_str(), "w");
        if (!m_logFile)
            return "cannot write " + logPath;
        if (!m_pngThread.joinable())
            m_pngThread = std::thread([this] { PngWorker(); });
    }
    return {};
}

void SimController::LogLine(const std::string& line)
{
    m_log.push_back(line);
    while (m_log.size() > m_config.logLines)
        m_log.pop_front();
    if (m_logFile) {
        std::fputs(line.c_str(), m_logFile);
        std::fputc('\n', m_logFile);
        std::fflush(m_logFile);
    }
}

int SimController::MaxPosition() const
{
    const int dpi = m_block.resolution == 0 ? 180 : 150;
    const int dots = static_cast<int>(m_block.machineLength * dpi / 25.4);
    return dots > 0 && dots < INT16_MAX ? dots : INT16_MAX;
}

void SimController::Enter(uint8_t status, int exchanges)
{
    m_status = status;
    m_timedLeft = exchanges;
}

void SimController::Tick()
{
    if (m_carriageJog != 0)
        m_position = static_cast<int16_t>(std::clamp(m_position + m_carriageJog * m_config.jogStep, 0, MaxPosition()));
    if (m_feedJog != 0)
        m_feedPosition += m_feedJog * m_config.jogStep;
    // A pause freezes whatever was counting down.
    if (m_status == STATE_PAUSED || m_timedLeft <= 0 || --m_timedLeft > 0)
        return;
    switch (m_status) {
    case STATE_PROCESSING:
        // A job of no swaths still reports STATE_PLOTTING once.
        Enter(STATE_PLOTTING, m_job && m_job->swathCount == 0 ? 1 : 0);
        break;
    case STATE_PLOTTING:
        EndJob(JobResult::Done, "", STATE_FINISHING);
        break;
    default:
        Enter(STATE_READY, 0);
        break;
    }
}

SimOutput SimController::HandlePacket(uint8_t code, std::span<const uint8_t> payload)
{
    std::lock_guard lock(m_mutex);
    Tick();
    std::vector<uint8_t> reply = Answer(code, payload);
    json record = {{"seq", ++m_sequence}, {"code", code},         {"command", CommandName(code)},
                   {"payload", Hex(payload)}, {"reply", Hex(reply)}, {"status", m_status}};
    std::string fault;
    SimOutput out = Shape(code, std::move(reply), fault);
    if (!fault.empty())
        record["fault"] = fault;
    LogLine(record.dump());
    return out;
}

SimOutput SimController::Shape(int code, std::vector<uint8_t> reply, std::string& faultName)
{
    for (size_t i = 0; i < m_faults.size(); ++i) {
        ReplyFault& f = m_faults[i];
        if (f.code != ANY_CODE && f.code != code)
            continue;
        if (++f.seen < f.at)
            continue;
        faultName = FaultKindName(f.kind);
        SimOutput out = ApplyFault(f, std::move(reply));
        if (f.times > 0 && f.seen - f.at + 1 >= f.times)
            m_faults.erase(m_faults.begin() + static_cast<std::ptrdiff_t>(i));
        return out;
    }
    SimOutput out;
    out.bytes = std::move(reply);
    return out;
}

std::vector<uint8_t> SimController::Answer(uint8_t code, std::span<const uint8_t> payload)
{
    switch (code) {
    case CMD_POSITION: {
        std::vector<uint8_t> r(POSITION_REPLY_BYTES);
        PutU16(r.data(), static_cast<uint16_t>(m_position));
        return r;
    }
    case CMD_READ_PARAMS: {
        const auto wire = m_block.ToWire();
        return {wire.begin(), wire.end()};
    }
    case CMD_WRITE_PARAMS:
        if (payload.size() != ParamBlock::WIRE_BYTES) {
            LogLine(json{{"event", "bad-parameter-block"}, {"bytes", payload.size()}}.dump());
            break;
        }
        m_block = ParamBlock::FromBytes(payload.data());
        if (!m_config.paramFile.empty()) {
            if (std::string error = SaveParamFile(m_config.paramFile, m_block); !error.empty())
                LogLine(json{{"event", "parameter-file"}, {"error", error}}.dump());
        }
        break;
    case CMD_JOB_HEADER:
        return JobHeader(payload);
    case CMD_SWATH_QUERY:
        return SwathQuery(payload);
    case CMD_SWATH_DONE:
        return SwathDone(payload);
    case CMD_PAUSE:
        if (m_status == STATE_PLOTTING || m_status == STATE_PROCESSING) {
            m_pausedFrom = m_status;
            m_status = STATE_PAUSED;
        }
        break;
    case CMD_RESUME:
        if (m_status == STATE_PAUSED)
            m_status = m_pausedFrom;
        break;
    case CMD_CANCEL:
        m_carriageJog = m_feedJog = 0;
        if (m_job)
            EndJob(JobResult::Cancelled, "cancelled by the host", STATE_READY);
        else if (IsErrorStatus(m_status))
            Enter(STATE_READY, 0);
        break;
    case CMD_CLEAN:
        if (m_status == STATE_READY)
            Enter(STATE_CLEANING, std::max(1, m_config.cleaningExchanges));
        break;
    case CMD_FAN_ON:
    case CMD_FAN_OFF:
        m_fanOn = code == CMD_FAN_ON;
        break;
    case CMD_STOP_JOG:
    case CMD_JOG_DOWN:
    case CMD_JOG_UP:
    case CMD_JOG_LEFT:
    case CMD_JOG_RIGHT:
        Jog(code);
        break;
    case CMD_STATUS:
        break;
    default:
        LogLine(json{{"event", "unknown-command"}, {"code", code}}.dump());
        break;
    }
    return {m_status};
}

void SimController::Jog(uint8_t code)
{
    if (code == CMD_STOP_JOG) {
        m_carriageJog = m_feedJog = 0;
        return;
    }
    // The carriage and the paper move only while no job is printing.
    if (m_status != STATE_READY && m_status != STATE_PAUSED)
        return;
    if (code == CMD_JOG_LEFT || code == CMD_JOG_RIGHT)
        m_carriageJog = code == CMD_JOG_LEFT ? -1 : 1;
    else
        m_feedJog = code == CMD_JOG_DOWN ? 1 : -1;
}

std::vector<uint8_t> SimController::JobHeader(std::span<const uint8_t> payload)
{
    std::string refused;
    if (payload.size() != JOB_HEADER_PAYLOAD_BYTES)
        refused = "the header has " + std::to_string(payload.size()) + " bytes, not 4";
    else if (m_refuseHeaders > 0) {
        --m_refuseHeaders;
        refused = "refused by fault injection";
    } else if (m_status != STATE_READY)
        refused = "the machine is " + StateName(m_status);
    if (!refused.empty()) {
        LogLine(json{{"event", "job-refused"}, {"reason", refused}}.dump());
        return {m_status};
    }
    m_job = std::make_shared<SimJob>();
    m_job->number = ++m_jobNumber;
    m_job->rows = GetU16(payload.data());
    m_job->swathCount = GetU16(payload.data() + 2);
    // As the raster engine holds them: one or both cartridges, overlap 0 to 149.
    m_job->layout.headMode = m_block.headMode == 1 || m_block.headMode == 2 ? m_block.headMode : 0;
    m_job->layout.headOverlap = std::min<int>(m_block.headOverlap, 149);
    m_job->layout.head2Position = m_block.head2Position;
    m_job->layout.cartridge1OnRight = m_config.cartridge1OnRight ? 1 : 0;
    m_job->streams.resize(static_cast<size_t>(m_job->swathCount));
    m_nextSwath = 0;
    m_paceLeft = m_config.pace;
    m_data.reset();
    Enter(STATE_PROCESSING, std::max(1, m_config.processingExchanges));
    LogLine(json{{"event", "job-start"}, {"job", m_job->number}, {"rows", m_job->rows}, {"swaths", m_job->swathCount}}
                .dump());
    return {m_status};
}

std::vector<uint8_t> SimController::SwathQuery(std::span<const uint8_t> payload)
{
    const int n = payload.size() >= 2 ? GetU16(payload.data()) : -1;
    uint8_t notYet = 1;
    if (m_status == STATE_PLOTTING && m_job && n >= 0 && n < m_job->swathCount) {
        if (n == m_nextSwath) {
            if (n == m_carriageTimeoutAt) {
                m_carriageTimeoutAt = -1;
                EndJob(JobResult::Error, "carriage move timed out at swath " + std::to_string(n),
                       STATE_CARRIAGE_TIMEOUT);
            } else if (n == m_notYetAt && m_notYetCount > 0) {
                --m_notYetCount;
            } else if (m_paceLeft > 0) {
                --m_paceLeft;
            } else {
                notYet = 0;
            }
        } else if (n < m_nextSwath) {
            notYet = 0;  // the host missed the confirmation's reply and sends it again
        } else {
            LogLine(json{{"event", "swath-out-of-order"}, {"swath", n}, {"expected", m_nextSwath}}.dump());
        }
        if (notYet == 0) {
            m_data = std::make_unique<SwathData>();
            m_data->swath = n;
            m_data->repeat = n < m_nextSwath;
            m_data->expectedWords = (static_cast<size_t>(m_job->rows) + LEADING_RECORDS) * RECORD_WORDS;
            // The carriage sweeps across the job and back.
            m_position = static_cast<int16_t>(n % 2 == 0 ? std::min(m_job->rows, MaxPosition()) : 0);
        }
    }
    std::vector<uint8_t> r = {m_status, notYet, 0, 0};
    PutU16(r.data() + 2, static_cast<uint32_t>(m_nextSwath));
    return r;
}

std::vector<uint8_t> SimController::SwathDone(std::span<const uint8_t> payload)
{
    const int n = payload.size() >= 2 ? GetU16(payload.data()) : -1;
    if (m_job && n == m_nextSwath && n < m_job->swathCount && (!m_data || m_data->padding) &&
        !m_job->streams[static_cast<size_t>(n)].empty()) {
        ++m_nextSwath;
        m_paceLeft = m_config.pace;
        if (m_nextSwath == m_job->swathCount)
            EndJob(JobResult::Done, "", STATE_FINISHING);
    } else if (!(m_job && n >= 0 && n < m_nextSwath)) {
        LogLine(json{{"event", "swath-done-without-data"}, {"swath", n}}.dump());
    }
    return {m_status, 0};
}

SimController::DataState SimController::SwathDataState() const
{
    std::lock_guard lock(m_mutex);
    return DataStateLocked();
}

SimController::DataState SimController::DataStateLocked() const
{
    if (!m_data)
        return DataState::None;
    if (m_data->padding)
        return DataState::Padding;
    return m_data->chunks == 0 ? DataState::Granted : DataState::Receiving;
}

SimOutput SimController::HandleChunk(std::span<const uint8_t> chunk)
{
    std::lock_guard lock(m_mutex);
    std::vector<uint8_t> ack = {m_status};
    std::string fault;
    if (!m_data) {
        LogLine(json{{"event", "unexpected-swath-data"}, {"bytes", chunk.size()}}.dump());
        return Shape(ACK_CODE, std::move(ack), fault);
    }
    SwathData& d = *m_data;
    if (d.padding) {
        if (std::all_of(chunk.begin(), chunk.end(), [](uint8_t b) { return b == 0; })) {
            LogLine(json{{"event", "swath-padding"}, {"swath", d.swath}, {"bytes", chunk.size()}}.dump());
        } else {
            LogLine(json{{"event", "swath-data"}, {"swath", d.swath}, {"error", "data after the end of the swath"}}.dump());
            if (m_job) {
                EndJob(JobResult::Error, "swath " + std::to_string(d.swath) + ": data after the end of the swath",
                       STATE_CARRIAGE_LINK_ERROR);
                ++m_timedLeft;
            }
            ack = {STATE_READY};
        }
        SimOutput out = Shape(ACK_CODE, std::move(ack), fault);
        if (!fault.empty())
            LogLine(json{{"event", "ack-fault"}, {"fault", fault}}.dump());
        return out;
    }
    ++d.chunks;
    d.bytes.insert(d.bytes.end(), chunk.begin(), chunk.end());
    for (size_t i = 0; i + 1 < chunk.size() && !d.ended; i += 2) {
        const uint16_t w = GetU16(&chunk[i]);
        if (d.pendingZero) {
            d.pendingZero = false;
            d.words += w;
            d.ended = w == 0 || w > MAX_ZERO_RUN;  // a bad run: the decoder says why
        } else if (w == 0) {
            d.pendingZero = true;
        } else {
            ++d.words;
        }
        d.ended = d.ended || d.words >= d.expectedWords;
    }
    if (d.ended) {
        std::vector<uint16_t> words;
        const std::string error = DecodeSwathStream(d.bytes, d.expectedWords, words);
        json record = {{"event", "swath-data"}, {"job", m_job ? m_job->number : 0}, {"swath", d.swath},
                       {"chunks", d.chunks},    {"bytes", d.bytes.size()}};
        if (!error.empty()) {
            record["error"] = error;
            LogLine(record.dump());
            m_data.reset();
            if (m_job) {
                EndJob(JobResult::Error, "swath " + std::to_string(record["swath"].get<int>()) + ": " + error,
                       STATE_CARRIAGE_LINK_ERROR);
                ++m_timedLeft;  // the acknowledgement does not show the error: the next replies do
            }
            // STATE_READY as the acknowledgement stops the host's transfer.
            ack = {STATE_READY};
        } else {
            record["repeat"] = d.repeat;
            LogLine(record.dump());
            if (m_job && !d.repeat) {
                m_job->totalBytes += d.bytes.size();
                m_job->streams[static_cast<size_t>(d.swath)] = std::move(d.bytes);
            }
            d.bytes = {};
            d.padding = true;
            if (m_job && m_job->totalBytes > m_config.maxJobBytes) {
                EndJob(JobResult::Error, "more swath data than the simulator keeps for a job", STATE_MEM_ERROR);
                ++m_timedLeft;
                ack = {STATE_READY};
            }
        }
    }
    SimOutput out = Shape(ACK_CODE, std::move(ack), fault);
    if (!fault.empty())
        LogLine(json{{"event", "ack-fault"}, {"fault", fault}}.dump());
    return out;
}

void SimController::AbandonSwathData(const std::string& why)
{
    std::lock_guard lock(m_mutex);
    if (!m_data)
        return;
    if (m_data->padding) {  // the swath was complete: a packet is what comes next
        m_data.reset();
        return;
    }
    LogLine(json{{"event", "swath-data-abandoned"}, {"swath", m_data->swath}, {"chunks", m_data->chunks}, {"reason", why}}
                .dump());
    m_data.reset();
}

void SimController::NoteSkippedBytes(size_t count)
{
    std::lock_guard lock(m_mutex);
    LogLine(json{{"event", "skipped-bytes"}, {"bytes", count}}.dump());
}

void SimController::EndJob(JobResult result, const std::string& reason, uint8_t status)
{
    std::shared_ptr<SimJob> job = std::move(m_job);
    m_job.reset();
    m_data.reset();
    switch (status) {
    case STATE_FINISHING:
        Enter(status, std::max(1, m_config.finishingExchanges));
        break;
    case STATE_READY:
        Enter(status, 0);
        break;
    default:
        Enter(status, std::max(1, m_config.errorExchanges));
        break;
    }
    if (!job)
        return;
    job->result = result;
    job->reason = reason;
    job->endStatus = status;
    const bool drawn = !m_config.outputDir.empty() && job->PrintedSwaths() > 0;
    if (drawn) {
        char name[32];
        std::snprintf(name, sizeof name, "/job-%04d.png", job->number);
        job->pngPath = m_config.outputDir + name;
    }
    LogLine(json{{"event", "job-end"},
                 {"job", job->number},
                 {"result", JobResultName(result)},
                 {"reason", reason},
                 {"printed", job->PrintedSwaths()},
                 {"png", job->pngPath}}
                .dump());
    m_jobs.push_back(job);
    if (drawn) {
        m_pngQueue.push_back(job);
        ++m_pngPending;
    }
    m_changed.notify_all();
}

void SimController::PngWorker()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_pngQueue.empty(); });
        if (m_pngQueue.empty())
            return;  // stopping, and everything is written
        std::shared_ptr<const SimJob> job = m_pngQueue.front();
        m_pngQueue.pop_front();
        lock.unlock();
        const std::string error = WriteJobPng(*job, job->pngPath);  // an ended job no longer changes
        lock.lock();
        if (!error.empty())
            LogLine(json{{"event", "png"}, {"job", job->number}, {"error", error}}.dump());
        --m_pngPending;
        m_changed.notify_all();
    }
}

void SimController::AddFault(const ReplyFault& fault)
{
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
    m_faults.back().seen = 0;
}

void SimController::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
    m_carriageTimeoutAt = m_notYetAt = -1;
    m_notYetCount = m_refuseHeaders = 0;
}

void SimController::SetCarriageTimeoutAt(int swath)
{
    std::lock_guard lock(m_mutex);
    m_carriageTimeoutAt = swath;
}

void SimController::SetNotYetAt(int swath, int count)
{
    std::lock_guard lock(m_mutex);
    m_notYetAt = swath;
    m_notYetCount = count;
}

void SimController::RefuseJobHeaders(int count)
{
    std::lock_guard lock(m_mutex);
    m_refuseHeaders = count;
}

uint8_t SimController::Status() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

int16_t SimController::Position() const
{
    std::lock_guard lock(m_mutex);
    return m_position;
}

bool SimController::FanOn() const
{
    std::lock_guard lock(m_mutex);
    return m_fanOn;
}

ParamBlock SimController::Block() const
{
    std::lock_guard lock(m_mutex);
    return m_block;
}

void SimController::SetBlock(const ParamBlock& block)
{
    std::lock_guard lock(m_mutex);
    m_block = block;
}

std::vector<std::shared_ptr<const SimJob>> SimController::Jobs() const
{
    std::lock_guard lock(m_mutex);
    return {m_jobs.begin(), m_jobs.end()};
}

bool SimController::WaitForJobs(size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_jobs.size() >= count && m_pngPending == 0; });
}

std::vector<std::string> SimController::Log() const
{
    std::lock_guard lock(m_mutex);
    return {m_log.begin(), m_log.end()};
}

}  // namespace vexa::sim
