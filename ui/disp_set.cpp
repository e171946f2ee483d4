#include "ui/disp_set.h"

CDispSet g_dispSet;

int RulerStep(double scale)
{
    if (scale < 0.005)
        return 200;
    if (scale < 0.01)
        return 100;
    if (scale < 0.02)
        return 50;
    if (scale < 0.05)
        return 20;
    if (scale < 0.1)
        return 10;
    return 5;
}
