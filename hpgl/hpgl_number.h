#pragma once
#include <cstddef>
#include <cstdint>

namespace vexa {
// Accumulates one run of HP-GL number characters ('0'-'9', '.', '-', '+'),
// possibly fed across read blocks, and converts it the way the C library's
// text-to-double conversion converts it: the longest valid prefix counts
// ("5-3" is 5, a lone "-" is 0), rounded correctly. Memory stays bounded
// whatever the length of the run.
class HpglNumber {
public:
    bool Active() const { return m_active; }
    void Add(char c);
    // The same as Add for each of n number characters, faster for the usual
    // run of a sign and a few digits.
    void AddRun(const char* p, size_t n);
    // The value of the run, and a reset for the next one.
    double Take();

private:
    enum Phase : uint8_t { START, AFTER_SIGN, INT, DOT_NO_INT, FRAC, DEAD };
    // Enough significant digits to decide the rounding of any double.
    static constexpr int kMaxDigits = 800;

    void AddDigit(char c, bool fraction);
    double Convert() const;

    bool m_active = false;
    bool m_negative = false;
    bool m_sticky = false;  // a nonzero digit beyond kMaxDigits
    bool m_anyDigit = false;
    Phase m_phase = START;
    int m_count = 0;        // significant digits kept
    int64_t m_exponent = 0; // value = digits * 10^m_exponent
    uint64_t m_mantissa = 0; // the first 19 digits, for the fast path
    char m_digits[kMaxDigits + 1];
};
}  // namespace vexa
