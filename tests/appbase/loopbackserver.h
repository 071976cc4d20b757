// A one-connection HTTP server on 127.0.0.1 for the update check's tests. It
// answers with a fixed reply (or not at all), records the request, and stops
// by itself after one exchange or when its time is up.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class LoopbackServer {
  public:
    // reply empty: accept, read the request, then wait without answering until
    // the client hangs up or the time is up.
    explicit LoopbackServer(std::string reply, int lifetimeMs = 20000);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return m_port; }
    std::string hostAndPort() const { return "127.0.0.1:" + std::to_string(m_port); }
    // Waits for the server thread to finish, then tells what it saw.
    void finish();
    int connections() const { return m_connections; }
    const std::string& request() const { return m_request; }
    bool clientHungUp() const { return m_clientHungUp; }

  private:
    void run();

    std::string m_reply;
    int m_lifetimeMs;
    int m_listen = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
    int m_connections = 0;
    std::string m_request;
    bool m_clientHungUp = false;
};

// A port on 127.0.0.1 that nothing listens on (bound, then closed).
int closedLoopbackPort();
