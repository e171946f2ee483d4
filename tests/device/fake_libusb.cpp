#include "tests/device/fake_libusb.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <usb.h>

#include "device/protocol.h"

struct usb_dev_handle {
    int id;
};

namespace fakeusb {
namespace {
struct ReadResult {
    int error = 0;
    std::vector<uint8_t> bytes;
};

// Function-local so that it is ready when the link's global object scans
// the busses during static initialisation.
struct State {
    std::mutex mutex;
    std::vector<std::pair<uint16_t, uint16_t>> plugged;
    std::list<struct usb_device> devices;  // what the bus list shows
    usb_bus bus{};
    bool openFails = false;
    bool claimFails = false;
    std::deque<int> writeResults;
    std::deque<ReadResult> reads;
    std::optional<std::vector<uint8_t>> pendingReply;
    uint8_t status = STATE_READY;
    int16_t position = 0;
    std::vector<uint8_t> block = std::vector<uint8_t>(52, 0);
    std::vector<Event> events;
    std::list<usb_dev_handle> handles;
    int nextHandle = 1;
    // Every Plug re-enumerates: devices seen before it cannot be opened
    // until a scan shows them anew.
    uint8_t generation = 1;

    State() { ResetLocked(); }
    void ResetLocked()
    {
        plugged = {{0x1234, 0x0001}, {USB_VENDOR_ID, USB_PRODUCT_ID}};
        Rescan();
        openFails = claimFails = false;
        writeResults.clear();
        reads.clear();
        pendingReply.reset();
        status = STATE_READY;
        position = 0;
        block.assign(52, 0);
        events.clear();
    }
    // Makes the bus list show the plugged devices; returns how many changed.
    int Rescan()
    {
        int changes = 0;
        std::vector<std::pair<uint16_t, uint16_t>> shown;
        for (const struct usb_device& d : devices)
            shown.emplace_back(d.descriptor.idVendor, d.descriptor.idProduct);
        for (const auto& p : plugged)
            changes += std::count(shown.begin(), shown.end(), p) == 0;
        for (const auto& s : shown)
            changes += std::count(plugged.begin(), plugged.end(), s) == 0;
        devices.clear();
        struct usb_device* prev = nullptr;
        for (const auto& [vendor, product] : plugged) {
            struct usb_device& d = devices.emplace_back();
            std::memset(&d, 0, sizeof d);
            d.descriptor.idVendor = vendor;
            d.descriptor.idProduct = product;
            d.devnum = generation;
            d.bus = &bus;
            d.prev = prev;
            if (prev)
                prev->next = &d;
            prev = &d;
        }
        bus.devices = devices.empty() ? nullptr : &devices.front();
        return changes;
    }
    // The controller answers the packet just written.
    void Answer(const uint8_t* packet, int size)
    {
        pendingReply.reset();
        if (size < 2 || packet[0] != size)
            return;  // swath data: no reply
        switch (packet[1]) {
        case CMD_POSITION:
            pendingReply = std::vector<uint8_t>{static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8)};
            break;
        case CMD_READ_PARAMS:
            pendingReply = block;
            break;
        case CMD_SWATH_QUERY:
            pendingReply = std::vector<uint8_t>{status, 0, 0, 0};
            break;
        case CMD_SWATH_DONE:
            pendingReply = std::vector<uint8_t>{status, 0};
            break;
        case CMD_WRITE_PARAMS:
            block.assign(packet + 2, packet + size);
            pendingReply = std::vector<uint8_t>{status};
            break;
        default:
            pendingReply = std::vector<uint8_t>{status};
            break;
        }
    }
};

State& S()
{
    static State state;
    return state;
}

bool Plugged(State& s, const struct usb_device* dev)
{
    return dev->devnum == s.generation &&
           std::find(s.plugged.begin(), s.plugged.end(),
                     std::make_pair(dev->descriptor.idVendor, dev->descriptor.idProduct)) != s.plugged.end();
}
}  // namespace

void Reset()
{
    std::lock_guard lock(S().mutex);
    S().ResetLocked();
}

void Plug(std::vector<std::pair<uint16_t, uint16_t>> devices)
{
    std::lock_guard lock(S().mutex);
    S().plugged = std::move(devices);
    ++S().generation;
}

void SetOpenFails(bool fails)
{
    std::lock_guard lock(S().mutex);
    S().openFails = fails;
}

void SetClaimFails(bool fails)
{
    std::lock_guard lock(S().mutex);
    S().claimFails = fails;
}

void QueueWriteResult(int result)
{
    std::lock_guard lock(S().mutex);
    S().writeResults.push_back(result);
}

void QueueRead(std::vector<uint8_t> bytes)
{
    std::lock_guard lock(S().mutex);
    S().reads.push_back({0, std::move(bytes)});
}

void QueueReadError(int error)
{
    std::lock_guard lock(S().mutex);
    S().reads.push_back({error, {}});
}

void SetStatus(uint8_t status)
{
    std::lock_guard lock(S().mutex);
    S().status = status;
}

void SetPosition(int16_t position)
{
    std::lock_guard lock(S().mutex);
    S().position = position;
}

void SetBlock(const std::vector<uint8_t>& block52)
{
    std::lock_guard lock(S().mutex);
    S().block = block52;
}

std::vector<Event> Events()
{
    std::lock_guard lock(S().mutex);
    return S().events;
}

std::vector<Event> Transfers()
{
    std::vector<Event> all = Events(), out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [](const Event& e) { return e.op == "write" || e.op == "read"; });
    return out;
}

void ClearEvents()
{
    std::lock_guard lock(S().mutex);
    S().events.clear();
}

int OpenHandles()
{
    std::lock_guard lock(S().mutex);
    return static_cast<int>(S().handles.size());
}

}  // namespace fakeusb

using fakeusb::Event;
using fakeusb::S;

extern "C" {

void usb_init(void)
{
    std::lock_guard lock(S().mutex);
    S().events.push_back(Event{"init", 0, 0, 0, {}});
}

int usb_find_busses(void)
{
    std::lock_guard lock(S().mutex);
    S().events.push_back(Event{"find_busses", 0, 0, 0, {}});
    return 1;
}

int usb_find_devices(void)
{
    std::lock_guard lock(S().mutex);
    S().events.push_back(Event{"find_devices", 0, 0, 0, {}});
    return S().Rescan();
}

struct usb_bus* usb_get_busses(void)
{
    std::lock_guard lock(S().mutex);
    return &S().bus;
}

usb_dev_handle* usb_open(struct usb_device* dev)
{
    std::lock_guard lock(S().mutex);
    auto& s = S();
    s.events.push_back(Event{"open", 0, 0, 0, {}});
    // A device that was unplugged since the last scan cannot be opened.
    if (s.openFails || !fakeusb::Plugged(s, dev))
        return nullptr;
    return &s.handles.emplace_back(usb_dev_handle{s.nextHandle++});
}

int usb_close(usb_dev_handle* dev)
{
    std::lock_guard lock(S().mutex);
    auto& s = S();
    s.events.push_back(Event{"close", 0, 0, 0, {}});
    const auto it = std::find_if(s.handles.begin(), s.handles.end(), [&](const usb_dev_handle& h) { return &h == dev; });
    if (it == s.handles.end())
        return -9;  // closing a handle twice is a fault the tests must see
    s.handles.erase(it);
    return 0;
}

int usb_claim_interface(usb_dev_handle*, int interface)
{
    std::lock_guard lock(S().mutex);
    S().events.push_back(Event{"claim", interface, 0, 0, {}});
    return S().claimFails ? -16 : 0;
}

int usb_release_interface(usb_dev_handle*, int interface)
{
    std::lock_guard lock(S().mutex);
    S().events.push_back(Event{"release", interface, 0, 0, {}});
    return 0;
}

int usb_bulk_write(usb_dev_handle*, int ep, const char* bytes, int size, int timeout)
{
    std::lock_guard lock(S().mutex);
    auto& s = S();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes);
    s.events.push_back({"write", ep, size, timeout, std::vector<uint8_t>(data, data + size)});
    int result = size;
    if (!s.writeResults.empty()) {
        result = s.writeResults.front();
        s.writeResults.pop_front();
    }
    if (result == size)
        s.Answer(data, size);
    return result;
}

int usb_bulk_read(usb_dev_handle*, int ep, char* bytes, int size, int timeout)
{
    std::lock_guard lock(S().mutex);
    auto& s = S();
    s.events.push_back(Event{"read", ep, size, timeout, {}});
    fakeusb::ReadResult r;
    if (!s.reads.empty()) {
        r = s.reads.front();
        s.reads.pop_front();
    } else if (s.pendingReply) {
        r.bytes = *s.pendingReply;
    } else {
        r.error = -110;  // nothing to say: the read times out
    }
    s.pendingReply.reset();
    if (r.error < 0)
        return r.error;
    if (static_cast<int>(r.bytes.size()) > size)
        return -75;  // the device sent more than asked for: overflow
    std::memcpy(bytes, r.bytes.data(), r.bytes.size());
    return static_cast<int>(r.bytes.size());
}

}  // extern "C"
