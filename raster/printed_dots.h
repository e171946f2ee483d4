#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "raster/swath_builder.h"

namespace vexa {
// The dots one swath prints, reduced 2^level times each way: a pixel is inked
// when any dot of its block is. Row 0 is the swath's first row (the paper's
// lower edge as the preview shows it).
struct DotTile {
    int level = 0;
    int width = 0;
    int height = 0;
    std::vector<uint64_t> bits;  // row-major, RowWords() words a row, bit x % 64 of word x / 64

    size_t RowWords() const { return (static_cast<size_t>(width) + 63) / 64; }
    bool Ink(int x, int y) const
    {
        return (bits[static_cast<size_t>(y) * RowWords() + static_cast<size_t>(x) / 64] >> (x % 64)) & 1;
    }
    size_t Bytes() const { return bits.size() * sizeof(uint64_t); }
};

// Reduces the printed dots of a swath to a tile of the given level.
void ReduceToTile(const PrintedSwath& dots, int level, DotTile& tile);

// The printed dots of one job, built on demand by background threads with
// swath builders of their own (never the plot thread's buffers), reduced to
// the level a view needs and kept in a cache of bounded size. Nothing here
// waits for a build: the caller asks for what it shows, draws what is
// ready, and is told when more is.
class CPrintedDots {
public:
    // notify is called from a worker thread whenever a tile or the prepared
    // job is ready, or the job was refused; it must not call back in.
    explicit CPrintedDots(std::function<void()> notify, int threads = 0, size_t cacheBytes = size_t{256} << 20);
    ~CPrintedDots();
    CPrintedDots(const CPrintedDots&) = delete;
    CPrintedDots& operator=(const CPrintedDots&) = delete;

    // A fingerprint of a job and the settings its dots depend on: a change
    // of either changes it (every point of every curve counts).
    static uint64_t Fingerprint(const COnePage& job, const SwathSettings& settings);

    // Shows job (copied now) with settings. The same fingerprint as the job
    // shown keeps its tiles; another drops them and prepares it anew in the
    // background.
    void SetJob(const COnePage& job, const SwathSettings& settings);
    // Forgets the job and its tiles.
    void Clear();

    // The prepared job once ready (null before, or when refused).
    std::shared_ptr<const CSwathJob> Job() const;
    // Why the job start would refuse the job; empty otherwise.
    std::string Refusal() const;
    bool Preparing() const;

    // Asks for swaths first..last at level, dropping what was asked before
    // and not yet begun. Swaths out of range are ignored.
    void Request(int first, int last, int level);
    // The tile of swath n at level, when built.
    std::shared_ptr<const DotTile> Tile(int n, int level) const;
    // Of the last request: how many tiles are ready and how many were asked for.
    void Progress(int& ready, int& asked) const;
    // Swaths built so far, for every job.
    int Builds() const { return m_builds; }

private:
    struct Key {
        int swath;
        int level;
        bool operator<(const Key& o) const { return swath != o.swath ? swath < o.swath : level < o.level; }
    };
    void Work(int index);
    void FillQueueLocked();
    void DropJobLocked();
    void Store(Key key, std::shared_ptr<const DotTile> tile, uint64_t generation);

    std::function<void()> m_notify;
    size_t m_cacheBytes;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    uint64_t m_generation = 0;  // counts jobs; a result of an older one is dropped
    uint64_t m_fingerprint = 0;
    bool m_hasJob = false;
    std::unique_ptr<COnePage> m_pending;  // copied, waiting to be prepared
    SwathSettings m_pendingSettings;
    bool m_preparing = false;
    std::shared_ptr<const CSwathJob> m_job;
    std::string m_refusal;

    std::vector<Key> m_queue;  // asked for, not begun; taken from the front
    std::set<Key> m_building;  // begun by a worker, not yet stored
    size_t m_queueHead = 0;
    int m_requestFirst = 0, m_requestLast = -1, m_requestLevel = 0;

    std::map<Key, std::pair<std::shared_ptr<const DotTile>, std::list<Key>::iterator>> m_tiles;
    mutable std::list<Key> m_lru;  // most recently used first
    size_t m_bytes = 0;

    std::atomic<int> m_builds{0};
    std::vector<std::thread> m_threads;
};
}  // namespace vexa
