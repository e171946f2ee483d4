#include "device/link_state.h"

std::atomic<uint8_t> g_machineStatus{0};
std::atomic<int> g_connected{0};
std::atomic<int16_t> g_carriagePosition{0};
std::atomic<int> g_carriagePositionNew{0};
std::atomic<int> g_plotProgress{0};
