#pragma once

#include <cstdint>

namespace genmarker {

// SplitMix64: tiny, fast and fully defined, so a seed gives the same marker with every
// compiler and standard library (std:: distributions are implementation-defined).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1) with 53 random bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }

    // Uniform in [0, n); the modulo bias is irrelevant for n this small.
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

private:
    std::uint64_t m_state;
};

} // namespace genmarker
