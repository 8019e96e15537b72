#pragma once

#include <curl/curl.h>

#include <mutex>
#include <set>

// Keeps account of the sockets that one curl handle opens and closes, for two reasons:
// - an abort from another thread can cut them at once, so nothing waits on a silent server;
// - once a run has logged in, a second control connection is refused: curl would otherwise log in
//   again silently after losing the first one, and the run's current folder would be lost with it.
//   Passive-mode data connections, made while the control connection is open, are let through.
class SocketTracker {
public:
    // Routes the handle's socket opening, set-up and closing through this tracker, which must outlive
    // the handle and every connection it caches.
    void Install(CURL* easy);

    // Called once the login has succeeded; AllowNewConnections starts the next run afresh.
    void RefuseNewConnections();
    void AllowNewConnections();
    // Whether a control connection is still open.
    bool HasControlConnection() const;
    // The one open control connection, or CURL_SOCKET_BAD when there is none (or more than one).
    curl_socket_t ControlSocket() const;
    // Shuts down every open socket (any thread); their owner still closes them.
    void ShutdownAll();

private:
    static curl_socket_t Open(void* self, curlsocktype purpose, curl_sockaddr* address) noexcept;
    static int SetUp(void* self, curl_socket_t socket, curlsocktype purpose) noexcept;
    static int Close(void* self, curl_socket_t socket) noexcept;

    mutable std::mutex m_mutex;
    std::set<curl_socket_t> m_open;     // every socket curl opened through us and has not closed
    std::set<curl_socket_t> m_control;  // those of them that carry an FTP control connection
    bool m_refuseNewConnections = false;
};
