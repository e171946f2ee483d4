#include "sim/sim_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/sim_session.h"

namespace vexa::sim {
namespace {
bool SendAll(int fd, const uint8_t* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t n = send(fd, bytes, count, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

std::string SimServer::Start(int port)
{
    if (m_thread.joinable())
        return "already running";
    if (port < 0 || port > 65535)
        return "port " + std::to_string(port) + " is not valid";
    if (pipe2(m_wake, O_CLOEXEC) != 0)
        return std::string("pipe: ") + std::strerror(errno);
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        return std::string("socket: ") + std::strerror(errno);
    const int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never reachable from another machine
    if (bind(m_listen, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(m_listen, 8) != 0) {
        const std::string error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        Stop();
        return error;
    }
    socklen_t len = sizeof addr;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return {};
}

void SimServer::Stop()
{
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_listen, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool SimServer::Pause(int ms, int client)
{
    if (ms <= 0)
        return !m_stop;
    // A reply held back for a client that has hung up would go nowhere:
    // give up the connection at once and serve the next client.
    pollfd p[2] = {{m_wake[0], POLLIN, 0}, {client, POLLRDHUP, 0}};
    poll(p, 2, ms);
    return !m_stop && !(p[1].revents & (POLLRDHUP | POLLHUP | POLLERR));
}

void SimServer::Run()
{
    while (!m_stop) {
        pollfd p[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stop || p[1].revents)
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        const int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Serve(fd);
        close(fd);
    }
}

void SimServer::Serve(int fd)
{
    SimSession session(m_controller);
    std::vector<SimOutput> outputs;
    uint8_t buffer[4096];
    while (!m_stop) {
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (m_stop || p[1].revents)
            return;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        outputs.clear();
        session.OnBytes(std::span<const uint8_t>(buffer, static_cast<size_t>(n)), outputs);
        for (const SimOutput& out : outputs) {
            if (out.kind == SimOutput::Drop)
                continue;
            if (out.kind == SimOutput::Reset) {
                const linger hard{1, 0};  // close with RST, as a rebooting controller would
                setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                return;
            }
            if (!Pause(out.delayMs, fd))
                return;
            const size_t first = out.splitAt > 0 ? static_cast<size_t>(out.splitAt) : out.bytes.size();
            if (!SendAll(fd, out.bytes.data(), first))
                return;
            if (first < out.bytes.size() && (!Pause(out.gapMs, fd) || !SendAll(fd, out.bytes.data() + first, out.bytes.size() - first)))
                return;
        }
    }
}

}  // namespace vexa::sim
