#include "device/my_eth.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/protocol.h"

CMyEth g_eth;

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; false on timeout or error.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, MsLeft(deadline));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

std::string Where(uint32_t ip, int port)
{
    return IpToText(ip) + ":" + std::to_string(port);
}
}  // namespace

CMyEth::~CMyEth()
{
    Disconnect();
}

void CMyEth::SetTimeouts(const EthTimeouts& t)
{
    m_connectMs = t.connectMs;
    m_sendMs = t.sendMs;
    m_replyMs = t.replyMs;
    m_bulkMs = t.bulkMs;
}

EthTimeouts CMyEth::Timeouts() const
{
    return {m_connectMs, m_sendMs, m_replyMs, m_bulkMs};
}

std::string CMyEth::LastError() const
{
    std::lock_guard lock(m_lock);
    return m_lastError;
}

int CMyEth::Fail(const std::string& why)
{
    m_lastError = why;
    DisconnectLocked();
    return LINK_FAILED;
}

int CMyEth::Connect()
{
    std::lock_guard lock(m_lock);
    return ConnectLocked();
}

void CMyEth::Disconnect()
{
    std::lock_guard lock(m_lock);
    DisconnectLocked();
}

void CMyEth::DisconnectLocked()
{
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
    m_connected = 0;
}

int CMyEth::ConnectLocked()
{
    const uint32_t ip = g_settings.m_controllerIp;
    const int port = g_settings.m_controllerPort;
    if (m_connected == 1) {
        // Between exchanges the controller has nothing to say: anything
        // readable is stray bytes or a closed connection, so start afresh.
        // So does a changed address.
        pollfd p{m_socket, POLLIN, 0};
        const bool stale = poll(&p, 1, 0) != 0;
        if (!stale && ip == m_peerIp && port == m_peerPort)
            return 0;
        DisconnectLocked();
    }
    if (port < 1 || port > 65535) {
        m_lastError = "controller port " + std::to_string(port) + " is not valid";
        return LINK_FAILED;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_lastError = std::string("cannot create a socket: ") + std::strerror(errno);
        return LINK_FAILED;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const uint8_t octets[4] = {static_cast<uint8_t>(ip), static_cast<uint8_t>(ip >> 8), static_cast<uint8_t>(ip >> 16),
                               static_cast<uint8_t>(ip >> 24)};
    std::memcpy(&addr.sin_addr.s_addr, octets, 4);  // network order: first octet first
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_connectMs.load());
    int err = 0;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        err = errno;
        if (err == EINPROGRESS) {
            err = ETIMEDOUT;
            if (WaitFor(fd, POLLOUT, deadline)) {
                socklen_t len = sizeof err;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                    err = errno;
            }
        }
    }
    if (err != 0) {
        close(fd);
        m_lastError = "cannot connect to the controller at " + Where(ip, port) + ": " + std::strerror(err);
        return LINK_FAILED;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // packets are tiny and wait for a reply
    m_socket = fd;
    m_connected = 1;
    m_peerIp = ip;
    m_peerPort = port;
    return 0;
}

bool CMyEth::SendAllLocked(const uint8_t* bytes, int count, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int sent = 0;
    while (sent < count) {
        const ssize_t n = send(m_socket, bytes + sent, static_cast<size_t>(count - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(m_socket, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

// One receive of up to 64 bytes, as the controller's replies are unframed:
// the byte count, or -1 on timeout, error or a closed connection.
int CMyEth::ReceiveLocked(uint8_t* buffer, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!WaitFor(m_socket, POLLIN, deadline))
            return -1;
        const ssize_t n = recv(m_socket, buffer, REPLY_MAX_BYTES, 0);
        if (n > 0)
            return static_cast<int>(n);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        return -1;
    }
}

bool CMyEth::ExchangeLocked(const uint8_t* packet, int packetLen, const char* refused, uint8_t* reply, int& got)
{
    m_lastError.clear();
    got = -1;
    if (ConnectLocked() != 0)
        return false;
    if (!SendAllLocked(packet, packetLen, m_sendMs)) {
        Fail(refused);
        return false;
    }
    got = ReceiveLocked(reply, m_replyMs);
    return true;
}

namespace {
std::string WrongReply(int got, int expected)
{
    return got < 0 ? "no answer from the controller"
                   : "the controller answered " + std::to_string(got) + " bytes instead of " + std::to_string(expected);
}

int PacketFor(uint8_t* packet, int code, const uint8_t* payload, int payloadLen)
{
    return code < 0 || code > 255 ? -1 : BuildPacket(packet, static_cast<uint8_t>(code), payload, payloadLen);
}
}  // namespace

int CMyEth::SendCommand(int code)
{
    uint8_t packet[PACKET_MAX_BYTES];
    const int packetLen = PacketFor(packet, code, nullptr, 0);
    if (packetLen < 0)
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    uint8_t reply[REPLY_MAX_BYTES];
    int got = -1;
    if (!ExchangeLocked(packet, packetLen, "the controller did not take the command", reply, got))
        return LINK_FAILED;
    if (got != 1) {
        Fail(WrongReply(got, 1));
        return LINK_BAD_REPLY;
    }
    g_machineStatus = reply[0];
    return LINK_OK;
}

int CMyEth::Query(int code, int payloadLen, const uint8_t* payload, int replyLen, uint8_t* reply)
{
    uint8_t packet[PACKET_MAX_BYTES];
    const int packetLen = PacketFor(packet, code, payload, payloadLen);
    if (packetLen < 0 || replyLen < 1 || replyLen > REPLY_MAX_BYTES || !reply)
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    // The caller's buffer is written only with a whole reply.
    uint8_t buffer[REPLY_MAX_BYTES];
    int got = -1;
    if (!ExchangeLocked(packet, packetLen, "the controller did not take the query", buffer, got))
        return LINK_FAILED;
    if (got != replyLen)
        return Fail(WrongReply(got, replyLen));
    std::memcpy(reply, buffer, static_cast<size_t>(replyLen));
    return LINK_OK;
}

int CMyEth::SendCommandData(int code, int payloadLen, const uint8_t* payload)
{
    uint8_t packet[PACKET_MAX_BYTES];
    const int packetLen = PacketFor(packet, code, payload, payloadLen);
    if (packetLen < 0)
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    uint8_t reply[REPLY_MAX_BYTES];
    int got = -1;
    if (!ExchangeLocked(packet, packetLen, "the controller did not take the command", reply, got))
        return LINK_FAILED;
    if (got != 1)
        return Fail(WrongReply(got, 1));
    g_machineStatus = reply[0];
    return LINK_OK;
}

int CMyEth::SendBulk(const uint8_t* buffer, int length)
{
    if (length < 0 || (length > 0 && !buffer))
        return LINK_FAILED;
    std::lock_guard lock(m_lock);
    m_lastError.clear();
    if (length == 0)
        return 0;
    if (ConnectLocked() != 0)
        return LINK_FAILED;
    const int chunks = (length + TCP_BULK_CHUNK - 1) / TCP_BULK_CHUNK;
    for (int i = 0; i < chunks; ++i) {
        const int offset = i * TCP_BULK_CHUNK;
        const uint8_t* chunk = buffer + offset;
        // The last chunk is always 600 bytes; its tail is zero, never
        // whatever follows the caller's buffer in memory.
        uint8_t tail[TCP_BULK_CHUNK] = {};
        if (length - offset < TCP_BULK_CHUNK) {
            std::memcpy(tail, chunk, static_cast<size_t>(length - offset));
            chunk = tail;
        }
        if (!SendAllLocked(chunk, TCP_BULK_CHUNK, m_bulkMs))
            return Fail("the controller did not take chunk " + std::to_string(i + 1) + " of " + std::to_string(chunks));
        uint8_t ack[REPLY_MAX_BYTES];
        const int got = ReceiveLocked(ack, m_bulkMs);
        if (got != 1)
            return Fail("no acknowledgement of chunk " + std::to_string(i + 1) + " of " + std::to_string(chunks));
        g_machineStatus = ack[0];
        if (ack[0] == STATE_READY)
            return 1;
    }
    return length;
}
