// A Winsock client's first steps on 127.0.0.1, for the soak and the
// endpoint's tests alike: an address, a port nobody listens on, a connection
// with a receive time-out, and a send of every byte.
#pragma once
#include <winsock2.h>

#include <cstdint>
#include <string>

inline sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline uint16_t FreeTcpPort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = Loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    closesocket(s);
    return ntohs(a.sin_port);
}

// INVALID_SOCKET when nobody listens.
inline SOCKET ConnectLoopback(uint16_t port, DWORD timeoutMs) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    sockaddr_in a = Loopback(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return s;
    closesocket(s);
    return INVALID_SOCKET;
}

inline bool SendAll(SOCKET s, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const int n = send(s, bytes.data() + at, int(bytes.size() - at), 0);
        if (n <= 0) return false;
        at += size_t(n);
    }
    return true;
}
