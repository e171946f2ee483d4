#include "app/helpers.h"

#include <climits>
#include <cmath>

namespace vexa {
int TruncateToInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return INT_MAX;
    if (x <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(x);
}

namespace {
// The rounded value as a double, before any conversion to int.
double RoundHalfUpValue(double x)
{
    if (x > 5e75 || x < -5e75)
        return 1.0;
    if (x >= 0)
        return std::trunc(x + 0.5);
    const double h = x - 0.5;
    const double t = std::trunc(h);
    // x - 0.5 exactly integral means x was a half: round it up, not away.
    return t == h ? t + 1.0 : t;
}
}  // namespace

bool RoundHalfUpChecked(double x, int& out)
{
    const double r = RoundHalfUpValue(x);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    out = static_cast<int>(r);
    return true;
}
}  // namespace vexa

int RoundHalfUp(double x)
{
    return vexa::TruncateToInt(vexa::RoundHalfUpValue(x));
}

int RoundHalfAway(double x)
{
    return x < 0 ? vexa::TruncateToInt(x - 0.5) : vexa::TruncateToInt(x + 0.5);
}
