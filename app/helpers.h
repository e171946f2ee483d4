#pragma once
// Numeric and character helpers shared by the HP-GL reader and the raster engine.

namespace vexa {
// Conversion toward zero that saturates instead of overflowing: the design's
// casts assume values in range, and a value out of range must not be undefined.
int TruncateToInt(double x);
// RoundHalfUp for a value that must fit an int: false when it does not.
bool RoundHalfUpChecked(double x, int& out);
}  // namespace vexa

// floor(x + 0.5) with the design's overflow guard: |x| > 5e75 gives 1.
// Results beyond the int range saturate.
int RoundHalfUp(double x);
// Halves away from zero: -2.5 gives -3, 2.5 gives 3.
int RoundHalfAway(double x);
int IsAsciiLetter(char c);
int IsNumberChar(char c);
