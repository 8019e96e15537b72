#include "ftp/socket_tracker.h"

#include <sys/socket.h>
#include <unistd.h>

void SocketTracker::Install(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &SocketTracker::Open);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, &SocketTracker::SetUp);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &SocketTracker::Close);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
}

void SocketTracker::RefuseNewConnections() {
    std::lock_guard lock(m_mutex);
    m_refuseNewConnections = true;
}

void SocketTracker::AllowNewConnections() {
    std::lock_guard lock(m_mutex);
    m_refuseNewConnections = false;
}

bool SocketTracker::HasControlConnection() const {
    std::lock_guard lock(m_mutex);
    return !m_control.empty();
}

curl_socket_t SocketTracker::ControlSocket() const {
    std::lock_guard lock(m_mutex);
    return m_control.size() == 1 ? *m_control.begin() : CURL_SOCKET_BAD;
}

void SocketTracker::ShutdownAll() {
    // Closing happens under the same lock, so no descriptor here can have been reused meanwhile.
    std::lock_guard lock(m_mutex);
    for (const curl_socket_t socket : m_open) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

curl_socket_t SocketTracker::Open(void* self, curlsocktype, curl_sockaddr* address) noexcept {
    auto& tracker = *static_cast<SocketTracker*>(self);
    std::lock_guard lock(tracker.m_mutex);
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket == CURL_SOCKET_BAD) {
        return CURL_SOCKET_BAD;
    }
    try {
        tracker.m_open.insert(socket);
    } catch (...) {
        ::close(socket);
        return CURL_SOCKET_BAD;
    }
    return socket;
}

// Curl sets up only the sockets it connects with: in active mode that is the control connection
// alone (the data connection is accepted, and comes as CURLSOCKTYPE_ACCEPT).
int SocketTracker::SetUp(void* self, curl_socket_t socket, curlsocktype purpose) noexcept {
    auto& tracker = *static_cast<SocketTracker*>(self);
    if (purpose != CURLSOCKTYPE_IPCXN) {
        return CURL_SOCKOPT_OK;
    }
    std::lock_guard lock(tracker.m_mutex);
    if (tracker.m_refuseNewConnections) {
        return tracker.m_control.empty() ? CURL_SOCKOPT_ERROR : CURL_SOCKOPT_OK;
    }
    try {
        tracker.m_control.insert(socket);
    } catch (...) {
        return CURL_SOCKOPT_ERROR;
    }
    return CURL_SOCKOPT_OK;
}

int SocketTracker::Close(void* self, curl_socket_t socket) noexcept {
    auto& tracker = *static_cast<SocketTracker*>(self);
    std::lock_guard lock(tracker.m_mutex);
    tracker.m_open.erase(socket);
    tracker.m_control.erase(socket);
    return ::close(socket);
}
