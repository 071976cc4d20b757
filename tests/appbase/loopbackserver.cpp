#include "loopbackserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

int boundLoopbackSocket(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

int closedLoopbackPort() {
    int port = 0;
    int fd = boundLoopbackSocket(port);
    ::close(fd);
    return port;
}

LoopbackServer::LoopbackServer(std::string reply, int lifetimeMs)
    : m_reply(std::move(reply)), m_lifetimeMs(lifetimeMs) {
    m_listen = boundLoopbackSocket(m_port);
    ::listen(m_listen, 4);
    if (::pipe(m_stopPipe) != 0)
        m_stopPipe[0] = m_stopPipe[1] = -1;
    m_thread = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
    finish();
    ::close(m_listen);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

void LoopbackServer::finish() {
    if (!m_thread.joinable())
        return;
    if (m_stopPipe[1] >= 0) {
        const char stop = 's';
        [[maybe_unused]] auto n = ::write(m_stopPipe[1], &stop, 1);
    }
    m_thread.join();
}

void LoopbackServer::run() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_lifetimeMs);
    auto remainingMs = [&] {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left > 0 ? int(left) : 0;
    };

    pollfd waitFor[2] = {{m_listen, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    if (::poll(waitFor, 2, remainingMs()) <= 0 || !(waitFor[0].revents & POLLIN))
        return;
    int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    ++m_connections;

    // Read the request head.
    char buffer[2048];
    while (m_request.find("\r\n\r\n") == std::string::npos && m_request.size() < 16384) {
        pollfd in{client, POLLIN, 0};
        if (::poll(&in, 1, remainingMs()) <= 0)
            break;
        ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0)
            break;
        m_request.append(buffer, size_t(n));
    }

    if (!m_reply.empty()) {
        [[maybe_unused]] auto n = ::write(client, m_reply.data(), m_reply.size());
        ::shutdown(client, SHUT_WR);
    }
    // Wait for the client to hang up (or the time to run out); the stop pipe is
    // not listened to here, so a silent server really stays silent.
    for (;;) {
        pollfd in{client, POLLIN, 0};
        if (::poll(&in, 1, remainingMs()) <= 0)
            break;
        ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) {
            m_clientHungUp = true;
            break;
        }
    }
    ::close(client);
}
