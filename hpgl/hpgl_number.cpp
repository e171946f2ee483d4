#include "hpgl/hpgl_number.h"

#include <charconv>
#include <limits>

namespace vexa {
namespace {
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
}

void HpglNumber::Add(char c)
{
    m_active = true;
    const bool digit = c >= '0' && c <= '9';
    switch (m_phase) {
    case START:
        if (c == '+' || c == '-') {
            m_negative = c == '-';
            m_phase = AFTER_SIGN;
            return;
        }
        [[fallthrough]];
    case AFTER_SIGN:
        if (digit) {
            m_phase = INT;
            AddDigit(c, false);
        } else {
            m_phase = c == '.' ? DOT_NO_INT : DEAD;
        }
        return;
    case INT:
        if (digit)
            AddDigit(c, false);
        else
            m_phase = c == '.' ? FRAC : DEAD;
        return;
    case DOT_NO_INT:
    case FRAC:
        if (digit) {
            m_phase = FRAC;
            AddDigit(c, true);
        } else {
            m_phase = DEAD;
        }
        return;
    case DEAD:
        return;
    }
}

void HpglNumber::AddRun(const char* p, size_t n)
{
    if (n == 0)
        return;
    m_active = true;
    size_t i = 0;
    if (m_phase == START && (p[0] == '-' || p[0] == '+')) {
        m_negative = p[0] == '-';
        m_phase = AFTER_SIGN;
        i = 1;
    }
    if (m_phase == START || m_phase == AFTER_SIGN || m_phase == INT) {
        // Locals, so that the digit stores (char, which may alias anything)
        // do not force the counters back to memory on every digit.
        int count = m_count;
        uint64_t mantissa = m_mantissa;
        bool any = m_anyDigit;
        for (; i < n; ++i) {
            const auto d = static_cast<unsigned>(p[i] - '0');
            if (d >= 10 || count >= 19)
                break;
            any = true;
            if (count == 0 && d == 0)
                continue;  // a leading zero
            m_digits[count++] = p[i];
            mantissa = mantissa * 10 + d;
        }
        if (any)
            m_phase = INT;
        m_count = count;
        m_mantissa = mantissa;
        m_anyDigit = any;
    }
    for (; i < n; ++i)
        Add(p[i]);
}

void HpglNumber::AddDigit(char c, bool fraction)
{
    m_anyDigit = true;
    if (m_count == 0 && c == '0') {
        // Leading zeros carry no digits, only the scale of a fraction.
        if (fraction)
            --m_exponent;
        return;
    }
    if (m_count < kMaxDigits) {
        m_digits[m_count++] = c;
        if (m_count <= 19)
            m_mantissa = m_mantissa * 10 + static_cast<uint64_t>(c - '0');
        if (fraction)
            --m_exponent;
    } else {
        if (!fraction)
            ++m_exponent;
        if (c != '0')
            m_sticky = true;
    }
}

double HpglNumber::Convert() const
{
    if (!m_anyDigit)
        return 0.0;  // nothing converted
    double magnitude;
    if (m_count == 0) {
        magnitude = 0.0;
    } else if (m_count <= 15 && !m_sticky && m_exponent >= -22 && m_exponent <= 22) {
        // Both operands exact, so one correctly rounded operation.
        const double m = static_cast<double>(m_mantissa);
        magnitude = m_exponent < 0 ? m / kPow10[-m_exponent] : m * kPow10[m_exponent];
    } else {
        // Digits beyond those kept only matter as "something nonzero follows":
        // one more nonzero digit decides the rounding the same way.
        char text[kMaxDigits + 32];
        int n = 0;
        for (int i = 0; i < m_count; ++i)
            text[n++] = m_digits[i];
        int64_t exponent = m_exponent;
        if (m_sticky) {
            text[n++] = '1';
            --exponent;
        }
        text[n++] = 'e';
        auto res = std::to_chars(text + n, text + sizeof text, exponent);
        const char* end = res.ptr;
        auto parsed = std::from_chars(text, end, magnitude, std::chars_format::scientific);
        if (parsed.ec == std::errc::result_out_of_range) {
            // Overflow gives infinity and underflow zero, as the C library does.
            magnitude = exponent + m_count > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    return m_negative ? -magnitude : magnitude;
}

double HpglNumber::Take()
{
    const double v = Convert();
    m_active = false;
    m_negative = false;
    m_sticky = false;
    m_anyDigit = false;
    m_phase = START;
    m_count = 0;
    m_exponent = 0;
    m_mantissa = 0;
    return v;
}
}  // namespace vexa
