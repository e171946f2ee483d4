#pragma once
#include <atomic>
#include <chrono>
#include <thread>

// The worker threads pace themselves with fixed waits (10 ms after a block
// read, 300 ms before a job header, ...). Every such wait goes through
// SleepMs, so that tests can shrink them all with one factor instead of
// sleeping for real. Link time limits (USB and TCP timeouts) are not scaled.
namespace vexa {

inline std::atomic<double> g_timeScale{1.0};

// 1 is real time, 0 skips the waits; negative or NaN counts as 0.
inline void SetTimeScale(double factor)
{
    g_timeScale.store(factor > 0 ? factor : 0.0);
}

inline double TimeScale()
{
    return g_timeScale.load();
}

// Waits ms milliseconds times the time scale.
inline void SleepMs(int ms)
{
    const double scaled = ms * g_timeScale.load();
    if (scaled > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(scaled));
}

}  // namespace vexa
