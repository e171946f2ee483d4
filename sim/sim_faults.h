#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa::sim {

// What the simulated controller does to a reply instead of sending it as is.
enum class FaultKind {
    Drop,         // send nothing
    Delay,        // send it ms milliseconds late
    Split,        // send it in two segments, ms apart
    WrongLength,  // send delta bytes more (or fewer)
    Reset,        // reset the connection instead
};

// The reply of any command, and a swath data chunk's acknowledgement.
constexpr int ANY_CODE = -1;
constexpr int ACK_CODE = 256;

struct ReplyFault {
    FaultKind kind = FaultKind::Drop;
    int code = ANY_CODE;  // command code, ANY_CODE or ACK_CODE
    int at = 1;           // acts from the at-th matching reply on (counted from when it was added)
    int times = 1;        // on this many replies; 0 for every one
    int ms = 0;           // Delay: the wait; Split: the gap (0: 30 ms)
    int delta = 0;        // WrongLength: bytes added, negative to cut (0: -1, or +1 for a one-byte reply)
    int seen = 0;         // matching replies so far
};

// How one reply leaves the simulator.
struct SimOutput {
    enum Kind { Send, Drop, Reset } kind = Send;
    std::vector<uint8_t> bytes;
    int delayMs = 0;  // before the first byte
    int splitAt = 0;  // > 0: bytes [0, splitAt) first, the rest gapMs later
    int gapMs = 0;
};

// Parses "KIND:CODE[:VALUE][@N][*T]": KIND is drop, delay, split, short, long
// or reset; CODE a number, a command name (CMD_STATUS or status), "any" or
// "ack"; VALUE the milliseconds of delay and split or the byte count of
// short and long; @N the first matching reply it acts on; *T how many (0 all).
std::optional<ReplyFault> ParseFault(const std::string& text, std::string& error);
std::string FaultKindName(FaultKind kind);

// Shapes reply (the bytes the command answers) by fault.
SimOutput ApplyFault(const ReplyFault& fault, std::vector<uint8_t> reply);

}  // namespace vexa::sim
