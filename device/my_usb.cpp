#include "device/my_usb.h"

#include <cstring>
#include <usb.h>

#include "device/link_state.h"
#include "device/protocol.h"

CMyUSB g_usb;

CMyUSB::CMyUSB()
{
    usb_init();
    usb_find_busses();
    m_lastScan = usb_find_devices();
}

CMyUSB::~CMyUSB()
{
    std::lock_guard lock(m_lock);
    Close();
}

std::string CMyUSB::LastError() const
{
    std::lock_guard lock(m_lock);
    return m_lastError;
}

int CMyUSB::Fail(const std::string& why)
{
    m_lastError = why;
    return LINK_FAILED;
}

usb_dev_handle* CMyUSB::FindDevice()
{
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor == USB_VENDOR_ID && dev->descriptor.idProduct == USB_PRODUCT_ID)
                return usb_open(dev);
        }
    }
    return nullptr;
}

int CMyUSB::Open()
{
    if (m_handle)
        return 0;
    if (m_lastScan != 1)
        m_lastScan = usb_find_devices();
    m_handle = FindDevice();
    if (m_handle && usb_claim_interface(m_handle, USB_INTERFACE) < 0) {
        usb_close(m_handle);
        m_handle = nullptr;
        m_lastError = "the controller's USB interface is in use by another program";
    } else if (!m_handle) {
        m_lastError = "no controller found on USB (vendor a728, product 0529), or no permission to open it";
    }
    if (!m_handle) {
        // A scan that saw exactly one change is never repeated; after a failure
        // the bus list may be stale (the controller was replugged), so the next
        // Open scans again.
        m_lastScan = 0;
        return -1;
    }
    return 0;
}

void CMyUSB::Close()
{
    if (!m_handle)
        return;
    usb_release_interface(m_handle, USB_INTERFACE);
    usb_close(m_handle);
    m_handle = nullptr;
}

int CMyUSB::WriteBulk(const uint8_t* bytes, int count)
{
    if (Open() != 0)
        return -1;
    const int result =
        usb_bulk_write(m_handle, USB_EP_OUT, reinterpret_cast<const char*>(bytes), count, USB_COMMAND_TIMEOUT_MS);
    Close();
    return result;
}

int CMyUSB::ReadBulk(uint8_t* bytes, int count)
{
    if (Open() != 0)
        return -1;
    const int result = usb_bulk_read(m_handle, USB_EP_IN, reinterpret_cast<char*>(bytes), count, USB_REPLY_TIMEOUT_MS);
    Close();
    return result;
}

// Sends a packet and reads one reply of up to replyLen bytes into reply;
// returns the reply's length, or -1 when either transfer failed.
int CMyUSB::ExchangeLocked(const uint8_t* packet, int packetLen, uint8_t* reply, int replyLen)
{
    // m_lastError is empty unless Open has already said why.
    const int written = WriteBulk(packet, packetLen);
    if (written != packetLen)
        return m_lastError.empty() ? Fail("the controller did not take the command") : LINK_FAILED;
    const int got = ReadBulk(reply, replyLen);
    if (got < 0)
        return m_lastError.empty() ? Fail("no answer from the controller") : LINK_FAILED;
    return got;
}

int CMyUSB::SendCommand(int code)
{
    return SendCommandData(code, 0, nullptr);
}

int CMyUSB::Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply)
{
    uint8_t packet[PACKET_MAX_BYTES];
    const int packetLen = BuildPacket(packet, static_cast<uint8_t>(code), payload, payloadLen);
    if (packetLen < 0 || replyLen < 1 || replyLen > REPLY_MAX_BYTES || code < 0 || code > 255 || !reply)
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    m_lastError.clear();
    uint8_t buffer[REPLY_MAX_BYTES];
    const int got = ExchangeLocked(packet, packetLen, buffer, replyLen);
    if (got < 0)
        return LINK_FAILED;
    if (got != replyLen)
        return Fail("the controller answered " + std::to_string(got) + " bytes instead of " + std::to_string(replyLen));
    std::memcpy(reply, buffer, static_cast<size_t>(replyLen));
    return LINK_OK;
}

int CMyUSB::SendCommandData(int code, int payloadLen, const uint8_t* payload)
{
    uint8_t packet[PACKET_MAX_BYTES];
    const int packetLen = BuildPacket(packet, static_cast<uint8_t>(code), payload, payloadLen);
    if (packetLen < 0 || code < 0 || code > 255)
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    m_lastError.clear();
    uint8_t reply[REPLY_MAX_BYTES];
    const int got = ExchangeLocked(packet, packetLen, reply, REPLY_MAX_BYTES);
    if (got < 0)
        return LINK_FAILED;
    if (got != 1)
        return Fail("the controller answered " + std::to_string(got) + " bytes instead of 1");
    g_machineStatus = reply[0];
    return LINK_OK;
}

int CMyUSB::SendBulk(const uint8_t* buffer, int length)
{
    if (length < 0 || (length > 0 && !buffer) || length > INT32_MAX - USB_BULK_GRANULE)
        return LINK_FAILED;
    if (length == 0)
        return 0;
    const int rounded = (length + USB_BULK_GRANULE - 1) / USB_BULK_GRANULE * USB_BULK_GRANULE;
    std::lock_guard lock(m_lock);
    m_lastError.clear();
    // One bulk write of whole granules. The bytes past length are zero, never
    // whatever follows the caller's buffer in memory.
    const uint8_t* data = buffer;
    if (rounded != length) {
        m_padded.assign(static_cast<size_t>(rounded), 0);
        std::memcpy(m_padded.data(), buffer, static_cast<size_t>(length));
        data = m_padded.data();
    }
    if (Open() != 0)
        return LINK_FAILED;
    const int written =
        usb_bulk_write(m_handle, USB_EP_OUT, reinterpret_cast<const char*>(data), rounded, USB_BULK_TIMEOUT_MS);
    Close();
    if (written != rounded)
        return Fail("the controller took " + std::to_string(written) + " of " + std::to_string(rounded) +
                    " bytes of swath data");
    return length;
}
