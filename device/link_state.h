#pragma once
#include <atomic>
#include <cstdint>

// What the links learn from the controller's replies. Each is written by the
// thread that talks to the controller and read by the others without a lock.

// The last status byte the controller sent (STATE_...).
extern std::atomic<uint8_t> g_machineStatus;
// 1 once the parameter block has been read; 0 again when the link is lost.
extern std::atomic<int> g_connected;
// Carriage position in raster dots along Y, from CMD_POSITION.
extern std::atomic<int16_t> g_carriagePosition;
// Set to 1 with each new position; the control bar clears it when shown.
extern std::atomic<int> g_carriagePositionNew;
// Progress value of the last swath query reply, zero-extended.
extern std::atomic<int> g_plotProgress;
