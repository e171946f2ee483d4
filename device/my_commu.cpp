#include "device/my_commu.h"

#include "app/settings.h"
#include "device/my_eth.h"
#include "device/my_usb.h"

CMyCommu g_commu;

namespace {
bool UseEthernet()
{
    return g_settings.m_useEthernet.load() != 0;
}
}  // namespace

int CMyCommu::SendCommand(int code)
{
    return UseEthernet() ? g_eth.SendCommand(code) : g_usb.SendCommand(code);
}

int CMyCommu::Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply)
{
    return UseEthernet() ? g_eth.Query(code, payloadLen, payload, replyLen, reply)
                         : g_usb.Query(code, payloadLen, payload, replyLen, reply);
}

int CMyCommu::SendCommandData(int code, int payloadLen, const uint8_t* payload)
{
    return UseEthernet() ? g_eth.SendCommandData(code, payloadLen, payload)
                         : g_usb.SendCommandData(code, payloadLen, payload);
}

int CMyCommu::SendBulk(const uint8_t* buffer, int length)
{
    return UseEthernet() ? g_eth.SendBulk(buffer, length) : g_usb.SendBulk(buffer, length);
}

std::string CMyCommu::LastError() const
{
    return UseEthernet() ? g_eth.LastError() : g_usb.LastError();
}

std::string CMyCommu::LinkName() const
{
    if (!UseEthernet())
        return "USB";
    return "TCP " + IpToText(g_settings.m_controllerIp) + ":" + std::to_string(g_settings.m_controllerPort.load());
}
