#pragma once
// A scripted USB controller behind the ten libusb-0.1 functions the link
// calls. This executable defines them, so they replace the real library.
#include <cstdint>
#include <string>
#include <vector>

namespace fakeusb {

struct Event {
    std::string op;  // "init", "find_busses", "find_devices", "open", "claim", "release", "close", "write", "read"
    int endpoint = 0;
    int size = 0;
    int timeout = 0;
    std::vector<uint8_t> data;  // written bytes
};

// One controller (a728:0529) behind another device, plugged in and seen by
// the last scan; answers commands as a controller would; no events.
void Reset();

// The devices plugged in, by vendor and product; the bus list shows them
// only after the next usb_find_devices, which returns how many changed.
void Plug(std::vector<std::pair<uint16_t, uint16_t>> devices);
void SetOpenFails(bool fails);
void SetClaimFails(bool fails);

// Overrides of the next transfers, in order: the result of a write (the
// count it reports or a negative error) and what a read returns (bytes, or
// a negative error such as -110 for a timeout).
void QueueWriteResult(int result);
void QueueRead(std::vector<uint8_t> bytes);
void QueueReadError(int error);

// What the controller answers on its own.
void SetStatus(uint8_t status);
void SetPosition(int16_t position);
void SetBlock(const std::vector<uint8_t>& block52);

std::vector<Event> Events();
std::vector<Event> Transfers();  // writes and reads only
void ClearEvents();
int OpenHandles();

}  // namespace fakeusb
