#pragma once
#include <cstdint>
#include <string>

// The one face of the controller link: every call goes to g_eth when
// g_settings.m_useEthernet is nonzero, otherwise to g_usb, chosen anew at
// each call. Return codes are those of the links (0 or the length on
// success, -1 on failure, -2 for a TCP status reply of the wrong length).
class CMyCommu {
public:
    virtual ~CMyCommu() = default;

    int SendCommand(int code);
    int Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply);
    int SendCommandData(int code, int payloadLen, const uint8_t* payload);
    int SendBulk(const uint8_t* buffer, int length);

    // Why the chosen link's last exchange failed.
    std::string LastError() const;
    // "TCP 127.0.0.1:5289" or "USB", for messages.
    std::string LinkName() const;
};

extern CMyCommu g_commu;
