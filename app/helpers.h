#pragma once
// Numeric and character helpers shared by the HP-GL reader and the raster engine.

namespace vexa {
// Conversion toward zero that saturates instead of overflowing: the original
// casts assume values in range, and a value out of range must not be undefined.
int TruncateToInt(double x);
// 32-bit coordinate arithmetic that wraps like the machine's instead of
// being undefined on overflow.
inline int WrapAdd(int a, int b)
{
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}
inline int WrapSub(int a, int b)
{
    return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
}
// RoundHalfUp for a value that must fit an int: false when it does not.
bool RoundHalfUpChecked(double x, int& out);
}  // namespace vexa

// floor(x + 0.5) with an overflow guard: |x| > 5e75 gives 1.
// Results beyond the int range saturate.
int RoundHalfUp(double x);
// Halves away from zero: -2.5 gives -3, 2.5 gives 3.
int RoundHalfAway(double x);
// Inline: the HP-GL tokeniser asks them for every byte of a file.
inline int IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ? 1 : 0;
}
inline int IsNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' ? 1 : 0;
}
