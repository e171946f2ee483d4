#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct usb_dev_handle;

// The USB link, through libusb-0.1. The device is opened and closed around
// every transfer, so a controller that is unplugged, replugged or used by
// another program is simply found again (or not) at the next one. Every
// exchange holds m_lock from its first byte sent to its last byte received.
//
// The ten libusb functions it calls are the link's seam: a test executable
// that defines them itself replaces the library with a scripted device.
class CMyUSB {
public:
    // Initialises libusb and scans the busses once.
    CMyUSB();
    virtual ~CMyUSB();
    CMyUSB(const CMyUSB&) = delete;
    CMyUSB& operator=(const CMyUSB&) = delete;

    // One-byte status reply, stored in g_machineStatus: 0, or -1.
    int SendCommand(int code);
    // A reply of exactly replyLen bytes into reply (replyLen bytes long, only
    // written on success): 0, or -1. g_machineStatus is not touched.
    int Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply);
    // Packet with payload, one-byte status reply: 0, or -1.
    int SendCommandData(int code, int payloadLen, const uint8_t* payload);
    // length bytes of swath data in one bulk write rounded up to 64 bytes;
    // the padding is zero and only length bytes of buffer are read.
    // Returns length, or -1.
    int SendBulk(const uint8_t* buffer, int length);

    // Why the last exchange failed, for an operator's message.
    std::string LastError() const;

private:
    int Open();
    void Close();
    usb_dev_handle* FindDevice();
    int WriteBulk(const uint8_t* bytes, int count);
    int ReadBulk(uint8_t* bytes, int count);
    int ExchangeLocked(const uint8_t* packet, int packetLen, uint8_t* reply, int replyLen);
    int Fail(const std::string& why);

    mutable std::mutex m_lock;
    usb_dev_handle* m_handle = nullptr;  // set only inside a transfer
    int m_lastScan = 0;
    std::vector<uint8_t> m_padded;  // a swath's tail padded to the granule, reused
    std::string m_lastError;
};

extern CMyUSB g_usb;
