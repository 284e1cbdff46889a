#include <winsock2.h>
#include <ws2tcpip.h>

#include "remote/control_endpoint_win.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "base/text.h"
#include "remote/control_adapter.h"
#include "remote/control_connection.h"
#include "remote/control_policy.h"

namespace {

// How long Stop waits for the thread: longer than any engine call it may be
// inside (a download's stop waits up to 2 s).
constexpr DWORD kJoinMs = 5000;
constexpr int kReadBlock = 4096;
// The longest wait without looking at the stop flag, should its wake-up
// datagram be lost.
constexpr uint32_t kLongestWaitMs = 1000;

// Non-blocking, and not handed down to programs the host starts.
bool Prepare(SOCKET s) {
    u_long on = 1;
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

std::string PeerText(const sockaddr_in& a) {
    const uint32_t ip = ntohl(a.sin_addr.s_addr);
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 255) + "." + std::to_string((ip >> 8) & 255) +
           "." + std::to_string(ip & 255);
}

std::u16string Number16(long n) { return WidenBytes(std::to_string(n).c_str()); }

}  // namespace

struct ControlEndpoint::Listener {
    Listener(TickerControl& control, ControlLog& log, uint16_t port, const std::string& key)
        : adapter(control), routes(adapter, log, port, key) {}
    // The wake-up socket lives as long as the record: Stop may still send
    // to it after the thread has ended.
    ~Listener() {
        CloseAll();
        if (wake != INVALID_SOCKET) closesocket(wake);
    }
    void Release() {
        if (--refs == 0) delete this;
    }

    struct Client {
        Client(ControlRoutes& routes, SOCKET s, const std::string& peer, bool loopback, uint32_t now)
            : socket(s), connection(routes, peer, loopback, now) {}
        SOCKET socket;
        ControlConnection connection;
        bool busy = false;  // refused with 503: counts apart from the ones served
    };

    void Run();
    bool MakeWake();
    void Wake();
    void Accept(uint32_t now);
    void Read(Client& c, uint32_t now);
    void Flush(Client& c, uint32_t now);
    void CloseAll();

    std::atomic<long> refs{2};  // the endpoint's and the thread's
    std::atomic<bool> stop{false};
    SOCKET socket = INVALID_SOCKET;
    // A datagram to this socket wakes the thread from its wait (select
    // waits on sockets only).
    SOCKET wake = INVALID_SOCKET;
    sockaddr_in wakeAt = {};
    ControlAdapter adapter;
    ControlRoutes routes;
    std::vector<std::unique_ptr<Client>> clients;
};

void ControlEndpoint::Listener::Accept(uint32_t now) {
    for (;;) {
        sockaddr_in from = {};
        int length = sizeof from;
        SOCKET s = accept(socket, reinterpret_cast<sockaddr*>(&from), &length);
        if (s == INVALID_SOCKET) return;
        const long served = long(std::count_if(clients.begin(), clients.end(), [](const auto& c) { return !c->busy; }));
        const bool busy = served >= kMaxConnections;
        // Past twice the limit a client gets no answer at all.
        if ((busy && long(clients.size()) >= 2 * kMaxConnections) || !Prepare(s)) {
            closesocket(s);
            continue;
        }
        const bool loopback = (ntohl(from.sin_addr.s_addr) >> 24) == 127;
        clients.push_back(std::make_unique<Client>(routes, s, PeerText(from), loopback, now));
        if (busy) {
            clients.back()->busy = true;
            clients.back()->connection.RefuseBusy(now);
        }
    }
}

void ControlEndpoint::Listener::Read(Client& c, uint32_t now) {
    char block[kReadBlock];
    while (c.connection.WantsInput()) {
        const int n = recv(c.socket, block, sizeof block, 0);
        if (n > 0) {
            c.connection.Received(block, size_t(n), now);
            Flush(c, now);  // a reply goes out before more is read
            continue;
        }
        if (n == 0) c.connection.PeerClosed(now);
        else if (WSAGetLastError() != WSAEWOULDBLOCK) c.connection.Abort();
        return;
    }
}

void ControlEndpoint::Listener::Flush(Client& c, uint32_t now) {
    if (c.connection.Finished()) return;
    while (!c.connection.Output().empty()) {
        const std::string& out = c.connection.Output();
        const int n = send(c.socket, out.data(), int(std::min<size_t>(out.size(), 1 << 16)), 0);
        if (n > 0) {
            c.connection.Sent(size_t(n), now);
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) c.connection.Abort();
        return;
    }
    if (c.connection.ShutdownDue()) {
        shutdown(c.socket, SD_SEND);
        c.connection.ShutDown(now);
    }
}

void ControlEndpoint::Listener::CloseAll() {
    for (auto& c : clients) closesocket(c->socket);
    clients.clear();
    if (socket != INVALID_SOCKET) closesocket(socket);
    socket = INVALID_SOCKET;
}

bool ControlEndpoint::Listener::MakeWake() {
    wake = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    wakeAt.sin_family = AF_INET;
    wakeAt.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof wakeAt;
    return wake != INVALID_SOCKET && Prepare(wake) &&
           bind(wake, reinterpret_cast<const sockaddr*>(&wakeAt), sizeof wakeAt) == 0 &&
           getsockname(wake, reinterpret_cast<sockaddr*>(&wakeAt), &length) == 0;
}

void ControlEndpoint::Listener::Wake() {
    stop = true;
    sendto(wake, "", 1, 0, reinterpret_cast<const sockaddr*>(&wakeAt), sizeof wakeAt);
}

void ControlEndpoint::Listener::Run() {
    while (!stop) {
        uint32_t now = GetTickCount();
        uint32_t timeout = kLongestWaitMs;
        fd_set readable, writable;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_SET(socket, &readable);
        FD_SET(wake, &readable);
        for (auto it = clients.begin(); it != clients.end();) {
            Client& c = **it;
            c.connection.Tick(now);
            Flush(c, now);
            if (c.connection.Finished()) {
                closesocket(c.socket);
                it = clients.erase(it);
                continue;
            }
            timeout = std::min(timeout, c.connection.MsToDeadline(now));
            if (c.connection.WantsInput()) FD_SET(c.socket, &readable);
            if (!c.connection.Output().empty()) FD_SET(c.socket, &writable);
            ++it;
        }
        // Level-triggered: a socket that is ready is seen as ready, however
        // its readiness came about.
        timeval wait = {long(timeout / 1000), long(timeout % 1000) * 1000};
        if (select(0, &readable, &writable, nullptr, &wait) == SOCKET_ERROR) break;
        if (stop) break;
        now = GetTickCount();
        if (FD_ISSET(wake, &readable)) {
            char drop[16];
            while (recv(wake, drop, sizeof drop, 0) > 0) {
            }
        }
        if (FD_ISSET(socket, &readable)) Accept(now);
        for (auto& c : clients) {
            if (FD_ISSET(c->socket, &readable)) Read(*c, now);
            Flush(*c, now);
        }
    }
    CloseAll();
}

void ControlEndpoint::Serve(void* parameter) {
    Listener* listener = static_cast<Listener*>(parameter);
    try {
        listener->Run();
    } catch (...) {
        listener->CloseAll();  // out of memory: the endpoint ends, the host goes on
    }
    WSACleanup();
    listener->Release();
}

void ControlEndpoint::Start(const TickerSettings& settings) {
    std::lock_guard<SrwLock> guard(lock_);
    StopLocked();
    StartLocked(settings);
}

void ControlEndpoint::StartLocked(const TickerSettings& settings) {
    const ListenPlan plan = PlanListening(settings.ControlPort, settings.ControlKey, settings.ControlLan);
    if (!plan.listen) {
        standing_ = plan.note.empty() ? std::u16string() : u"Control: " + plan.note;
        LogStandingLocked();
        return;
    }
    const std::u16string port = Number16(plan.port);
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        standing_ = u"Control: Winsock is not available; no endpoint.";
        LogStandingLocked();
        return;
    }
    Listener* l = new Listener(control_, log_, plan.port, settings.ControlKey);
    std::u16string failure;
    l->socket = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (l->socket == INVALID_SOCKET) l->socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL exclusive = TRUE;
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_port = htons(plan.port);
    at.sin_addr.s_addr = htonl(plan.allAddresses ? INADDR_ANY : INADDR_LOOPBACK);
    if (l->socket == INVALID_SOCKET || !l->MakeWake()) {
        failure = u"cannot make a socket (error " + Number16(WSAGetLastError()) + u"); no endpoint.";
    } else if (setsockopt(l->socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                          sizeof exclusive) != 0) {
        failure = u"port " + port + u" cannot be held for the plug-in alone (error " + Number16(WSAGetLastError()) +
                  u"); no endpoint.";
    } else if (bind(l->socket, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        const int error = WSAGetLastError();
        failure = error == WSAEADDRINUSE || error == WSAEACCES
                      ? u"port " + port + u" is taken; the plug-in runs on without the endpoint."
                      : u"cannot listen on port " + port + u" (error " + Number16(error) + u"); no endpoint.";
    } else if (listen(l->socket, SOMAXCONN) != 0 || !Prepare(l->socket)) {
        failure = u"cannot listen on port " + port + u" (error " + Number16(WSAGetLastError()) + u"); no endpoint.";
    }
    if (failure.empty() && !thread_.Start(Serve, l)) failure = u"cannot start its thread; no endpoint.";
    if (!failure.empty()) {
        delete l;
        WSACleanup();  // the thread's to call once it runs
        standing_ = u"Control: " + failure;
        LogStandingLocked();
        return;
    }
    listener_ = l;
    standing_ = plan.allAddresses ? u"Control: listening on every address, port " + port + u" (plain HTTP)."
                                  : u"Control: listening on 127.0.0.1:" + port + u".";
    if (!plan.note.empty()) standing_ += u" " + plan.note;
    LogStandingLocked();
}

ControlEndpoint::~ControlEndpoint() {
    if (!listener_) return;
    // Under the loader lock no socket is touched: the thread sees the flag
    // within its longest wait.
    listener_->stop = true;
    listener_->Release();
}

void ControlEndpoint::Stop() {
    std::lock_guard<SrwLock> guard(lock_);
    StopLocked();
}

void ControlEndpoint::StopLocked() {
    if (!listener_) return;
    listener_->Wake();
    if (!thread_.Join(kJoinMs)) log_.Line(u"Control: the endpoint's thread did not end in time; it ends alone.");
    listener_->Release();
    listener_ = nullptr;
    standing_.clear();
}

void ControlEndpoint::LogStanding() {
    std::lock_guard<SrwLock> guard(lock_);
    LogStandingLocked();
}

void ControlEndpoint::LogStandingLocked() {
    if (!standing_.empty()) log_.Line(standing_);
}
