// One client's connection without its socket: the bytes that came, the
// replies to send, and the clock that drops a slow client. A client that
// sends nothing for 5 s is dropped (told 408 if it was inside a request),
// a request must be complete within 10 s of its first byte, and a reply the
// client does not take within 5 s is abandoned. A connection that ends
// after a reply first sends it, then shuts its side and drains what the
// client still sends for up to 2 s, so that the client reads the reply
// instead of a reset.
#pragma once
#include <cstdint>
#include <string>

#include "remote/control_routes.h"
#include "remote/http_request.h"

constexpr uint32_t kIdleDropMs = 5000;
constexpr uint32_t kRequestWithinMs = 10000;
constexpr uint32_t kReplyWithinMs = 5000;
constexpr uint32_t kDrainMs = 2000;

class ControlConnection {
public:
    ControlConnection(ControlRoutes& routes, std::string peer, bool fromLoopback, uint32_t nowMs);

    // The endpoint is full: the only answer is 503, then the end.
    void RefuseBusy(uint32_t nowMs);

    void Received(const char* data, size_t size, uint32_t nowMs);
    void PeerClosed(uint32_t nowMs);
    // The socket failed (a reset): nothing more goes either way.
    void Abort() { finished_ = true; }
    // What waits to be sent; Sent after some of it went.
    const std::string& Output() const { return output_; }
    void Sent(size_t size, uint32_t nowMs);
    // Applies the deadlines; call whenever the clock may have passed one.
    void Tick(uint32_t nowMs);
    // Milliseconds until the next deadline (0: due now).
    uint32_t MsToDeadline(uint32_t nowMs) const;

    // More bytes are read (replies waiting to go hold the reading back).
    bool WantsInput() const { return !finished_ && output_.size() < kMaxHeaderBytes + kMaxBodyBytes; }
    // Everything is sent and the connection ends: shut the sending side now.
    bool ShutdownDue() const { return closeAfterOutput_ && output_.empty() && !draining_ && !finished_; }
    void ShutDown(uint32_t nowMs);
    bool Finished() const { return finished_; }
    const std::string& Peer() const { return peer_; }

private:
    void Serve(HttpRequestReader::State state, uint32_t nowMs);
    void Queue(const ControlReply& reply, bool keepAlive, uint32_t nowMs);
    void NoteRequestStart(uint32_t nowMs);

    ControlRoutes& routes_;
    std::string peer_;
    bool fromLoopback_;
    HttpRequestReader reader_;
    std::string output_;
    bool closeAfterOutput_ = false;
    bool draining_ = false;
    bool finished_ = false;
    bool inRequest_ = false;
    bool continueSent_ = false;
    uint32_t lastByteAt_;      // the last byte received, or the last reply sent in full
    uint32_t requestStartAt_ = 0;
    uint32_t sendProgressAt_ = 0;
    uint32_t drainStartAt_ = 0;
};
