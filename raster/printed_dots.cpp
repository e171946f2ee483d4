#include "raster/printed_dots.h"

#include <algorithm>
#include <cstring>

namespace vexa {
void ReduceToTile(const PrintedSwath& dots, int level, DotTile& tile)
{
    level = std::clamp(level, 0, 30);
    const int64_t block = int64_t{1} << level;
    tile.level = level;
    tile.width = static_cast<int>((dots.width + block - 1) / block);
    tile.height = static_cast<int>((dots.rows + block - 1) / block);
    tile.bits.assign(tile.RowWords() * static_cast<size_t>(tile.height), 0);
    const size_t rowWords = tile.RowWords();
    for (int y = 0; y < dots.rows; ++y) {
        const uint8_t* row = dots.dots.data() + static_cast<size_t>(y) * static_cast<size_t>(dots.width);
        uint64_t* out = tile.bits.data() + static_cast<size_t>(y >> level) * rowWords;
        for (int x = 0; x < dots.width; ++x) {
            // Rows hold a few dots: skip eight blank ones at a time.
            if (x + 8 <= dots.width) {
                uint64_t eight;
                std::memcpy(&eight, row + x, 8);
                if (eight == 0) {
                    x += 7;
                    continue;
                }
            }
            if (row[x]) {
                const int px = x >> level;
                out[px / 64] |= uint64_t{1} << (px % 64);
            }
        }
    }
}

CPrintedDots::CPrintedDots(std::function<void()> notify, int threads, size_t cacheBytes)
    : m_notify(std::move(notify)), m_cacheBytes(cacheBytes)
{
    if (threads <= 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this, i] { Work(i); });
}

CPrintedDots::~CPrintedDots()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (auto& t : m_threads)
        t.join();
}

uint64_t CPrintedDots::Fingerprint(const COnePage& job, const SwathSettings& s)
{
    uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&h](int64_t v) {
        h ^= static_cast<uint64_t>(v);
        h *= 0x100000001b3ull;
        h ^= h >> 29;
    };
    for (int v : {s.headMode, s.headOverlap, s.head2Position, s.lineWidth, s.resolution, s.cartridge1OnRight, s.xScale,
                  s.yScale, s.autoClean, s.machineLength, s.idleDistance, s.startOffset, s.language, job.m_startAt})
        mix(v);
    mix(static_cast<int64_t>(job.m_curves.size()));
    for (const auto& c : job.m_curves) {
        mix(static_cast<int64_t>(c->m_points.size()));
        for (const CPoint& p : c->m_points)
            mix((int64_t{p.x} << 32) ^ static_cast<uint32_t>(p.y));
    }
    return h;
}

void CPrintedDots::SetJob(const COnePage& job, const SwathSettings& settings)
{
    const uint64_t fingerprint = Fingerprint(job, settings);
    {
        std::lock_guard lock(m_mutex);
        if (m_hasJob && fingerprint == m_fingerprint)
            return;
    }
    auto copy = std::make_unique<COnePage>();
    copy->CopyFrom(job);
    {
        std::lock_guard lock(m_mutex);
        DropJobLocked();
        m_fingerprint = fingerprint;
        m_hasJob = true;
        m_pending = std::move(copy);
        m_pendingSettings = settings;
    }
    m_wake.notify_all();
}

void CPrintedDots::Clear()
{
    std::lock_guard lock(m_mutex);
    DropJobLocked();
}

void CPrintedDots::DropJobLocked()
{
    ++m_generation;  // what is being built for it is dropped when done
    m_hasJob = false;
    m_pending.reset();
    m_job = nullptr;
    m_refusal.clear();
    m_queue.clear();
    m_queueHead = 0;
    m_building.clear();
    m_tiles.clear();
    m_lru.clear();
    m_bytes = 0;
}

std::shared_ptr<const CSwathJob> CPrintedDots::Job() const
{
    std::lock_guard lock(m_mutex);
    return m_job;
}

std::string CPrintedDots::Refusal() const
{
    std::lock_guard lock(m_mutex);
    return m_refusal;
}

bool CPrintedDots::Preparing() const
{
    std::lock_guard lock(m_mutex);
    return m_pending != nullptr || m_preparing;
}

void CPrintedDots::Request(int first, int last, int level)
{
    {
        std::lock_guard lock(m_mutex);
        m_requestFirst = first;
        m_requestLast = last;
        m_requestLevel = level;
        FillQueueLocked();
    }
    m_wake.notify_all();
}

void CPrintedDots::FillQueueLocked()
{
    m_queue.clear();
    m_queueHead = 0;
    if (!m_job)
        return;
    const int first = std::max(m_requestFirst, 0), last = std::min(m_requestLast, m_job->SwathCount() - 1);
    // A tile being built now is not asked for twice.
    for (int n = first; n <= last; ++n)
        if (!m_tiles.count({n, m_requestLevel}) && !m_building.count({n, m_requestLevel}))
            m_queue.push_back({n, m_requestLevel});
}

std::shared_ptr<const DotTile> CPrintedDots::Tile(int n, int level) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_tiles.find({n, level});
    if (it == m_tiles.end())
        return nullptr;
    m_lru.splice(m_lru.begin(), m_lru, it->second.second);
    return it->second.first;
}

void CPrintedDots::Progress(int& ready, int& asked) const
{
    std::lock_guard lock(m_mutex);
    ready = asked = 0;
    if (!m_job)
        return;
    const int first = std::max(m_requestFirst, 0), last = std::min(m_requestLast, m_job->SwathCount() - 1);
    for (int n = first; n <= last; ++n) {
        ++asked;
        ready += m_tiles.count({n, m_requestLevel}) ? 1 : 0;
    }
}

void CPrintedDots::Store(Key key, std::shared_ptr<const DotTile> tile, uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return;  // the building set was emptied with the job
    m_building.erase(key);
    if (m_tiles.count(key))
        return;
    m_lru.push_front(key);
    m_bytes += tile->Bytes();
    m_tiles.emplace(key, std::make_pair(std::move(tile), m_lru.begin()));
    // The oldest tiles go first, never those of the request being served.
    for (auto it = m_lru.end(); m_bytes > m_cacheBytes && it != m_lru.begin();) {
        --it;
        const bool asked =
            it->level == m_requestLevel && it->swath >= m_requestFirst && it->swath <= m_requestLast;
        if (asked)
            continue;
        const auto found = m_tiles.find(*it);
        m_bytes -= found->second.first->Bytes();
        m_tiles.erase(found);
        it = m_lru.erase(it);
    }
}

void CPrintedDots::Work(int)
{
    std::unique_ptr<CSwathBuilder> builder;  // made when first needed, kept
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] {
            return m_stop || (m_pending && !m_preparing) || (m_job && m_queueHead < m_queue.size());
        });
        if (m_stop)
            return;
        if (m_pending && !m_preparing) {
            std::unique_ptr<COnePage> page = std::move(m_pending);
            const SwathSettings settings = m_pendingSettings;
            const uint64_t generation = m_generation;
            m_preparing = true;
            lock.unlock();
            std::string refusal;
            std::shared_ptr<const CSwathJob> job = CSwathJob::Prepare(*page, settings, refusal);
            page.reset();
            lock.lock();
            m_preparing = false;
            if (generation == m_generation) {
                m_job = std::move(job);
                m_refusal = refusal;
                FillQueueLocked();
            }
            lock.unlock();
            m_wake.notify_all();
            if (m_notify)
                m_notify();
            lock.lock();
            continue;
        }
        const Key key = m_queue[m_queueHead++];
        if (m_tiles.count(key) || m_building.count(key))
            continue;
        m_building.insert(key);
        const std::shared_ptr<const CSwathJob> job = m_job;
        const uint64_t generation = m_generation;
        lock.unlock();
        if (!builder)
            builder = std::make_unique<CSwathBuilder>();
        builder->SetJob(job);
        auto tile = std::make_shared<DotTile>();
        // A stream that does not decode prints nothing: an empty tile.
        if (builder->BuildPrinted(key.swath).empty())
            ReduceToTile(builder->Printed(), key.level, *tile);
        else
            tile->level = key.level;
        builder->SetJob(nullptr);  // the job may be dropped meanwhile
        ++m_builds;
        Store(key, std::move(tile), generation);
        if (m_notify)
            m_notify();
        lock.lock();
    }
}
}  // namespace vexa
