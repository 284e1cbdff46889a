#include <winsock2.h>

#include "tests/soak/control_client_win.h"
#include "tests/soak/loopback_win.h"

#include <cstdlib>

namespace {

// One reply's status; `in` keeps what came after it.
int ReadStatus(SOCKET s, std::string& in) {
    char block[2048];
    for (;;) {
        const size_t end = in.find("\r\n\r\n");
        if (end != std::string::npos) {
            const size_t cl = in.find("Content-Length: ");
            const size_t length = cl < end ? size_t(std::atoi(in.c_str() + cl + 16)) : 0;
            if (in.size() >= end + 4 + length) {
                const int status = in.compare(0, 9, "HTTP/1.1 ") == 0 ? std::atoi(in.c_str() + 9) : 0;
                in.erase(0, end + 4 + length);
                return status;
            }
        }
        const int n = recv(s, block, sizeof block, 0);
        if (n <= 0) return 0;
        in.append(block, size_t(n));
    }
}

}  // namespace

void StartWinsock() {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
}

int AskEndpoint(uint16_t port, const std::string& request) {
    SOCKET s = ConnectLoopback(port, 10000);
    if (s == INVALID_SOCKET) return 0;
    std::string in;
    const int status = SendAll(s, request) ? ReadStatus(s, in) : 0;
    closesocket(s);
    return status;
}

int AskEndpointTwice(uint16_t port, const std::string& request) {
    SOCKET s = ConnectLoopback(port, 10000);
    if (s == INVALID_SOCKET) return 0;
    std::string in;
    int status = SendAll(s, request + request) ? ReadStatus(s, in) : 0;
    if (status) status = ReadStatus(s, in);
    closesocket(s);
    return status;
}

uintptr_t OpenInFlight(uint16_t port, const std::string& partial) {
    SOCKET s = ConnectLoopback(port, 10000);
    if (s != INVALID_SOCKET) SendAll(s, partial);
    return uintptr_t(s);
}

void CloseClient(uintptr_t client) {
    if (SOCKET(client) != INVALID_SOCKET) closesocket(SOCKET(client));
}
