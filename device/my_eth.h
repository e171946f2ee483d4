#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "device/protocol.h"

// Time limits of the TCP link, in real milliseconds (not time-scaled).
struct EthTimeouts {
    int connectMs = 1000;
    int sendMs = 1000;   // a packet
    int replyMs = 1000;  // a reply to a packet
    // A 600-byte chunk of swath data going out, and its acknowledgement
    // coming back: a controller draining its buffer may hold the
    // acknowledgement for seconds, as long as a USB bulk write may take.
    int bulkMs = USB_BULK_TIMEOUT_MS;
};

// The TCP link to the controller at g_settings.m_controllerIp and
// m_controllerPort, read at each connect. One connection serves every
// exchange; each exchange holds m_lock from its first byte sent to its last
// byte received, and every send and receive has a time limit. After a failed
// exchange the socket is closed and the next exchange connects afresh, so
// the late or surplus bytes of a failed reply are never read as the next one.
class CMyEth {
public:
    CMyEth() = default;
    virtual ~CMyEth();
    CMyEth(const CMyEth&) = delete;
    CMyEth& operator=(const CMyEth&) = delete;

    // One-byte status reply, stored in g_machineStatus: 0; -1 when the
    // packet could not be sent; -2 when the reply was not exactly one byte.
    int SendCommand(int code);
    // A reply of exactly replyLen bytes (1 to 64) into reply, which is only
    // written on success: 0, or -1.
    int Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply);
    // Packet with payload, one-byte status reply: 0, or -1.
    int SendCommandData(int code, int payloadLen, const uint8_t* payload);
    // length bytes of swath data in 600-byte chunks, each answered by one
    // status byte (stored in g_machineStatus). The last chunk is padded with
    // zeros; only length bytes of buffer are read. Returns length; 1 when an
    // acknowledgement was STATE_READY (the controller stopped the transfer);
    // -1 on failure.
    int SendBulk(const uint8_t* buffer, int length);

    // 0 when connected (or already), -1 otherwise.
    int Connect();
    void Disconnect();

    void SetTimeouts(const EthTimeouts& timeouts);
    EthTimeouts Timeouts() const;
    // Why the last exchange failed, for an operator's message.
    std::string LastError() const;

private:
    int ConnectLocked();
    void DisconnectLocked();
    bool SendAllLocked(const uint8_t* bytes, int count, int timeoutMs);
    int ReceiveLocked(uint8_t* buffer, int timeoutMs);
    // One packet out and its reply in, the lock held: the reply's length in
    // got (-1 for none). False, with the reason kept, when the packet did not
    // go out.
    bool ExchangeLocked(const uint8_t* packet, int packetLen, const char* refused, uint8_t* reply, int& got);
    int Fail(const std::string& why);

    mutable std::mutex m_lock;
    int m_connected = 0;
    int m_socket = -1;
    uint32_t m_peerIp = 0;  // where m_socket is connected
    int m_peerPort = 0;
    std::string m_lastError;

    std::atomic<int> m_connectMs{EthTimeouts{}.connectMs};
    std::atomic<int> m_sendMs{EthTimeouts{}.sendMs};
    std::atomic<int> m_replyMs{EthTimeouts{}.replyMs};
    std::atomic<int> m_bulkMs{EthTimeouts{}.bulkMs};
};

extern CMyEth g_eth;
