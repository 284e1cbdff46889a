#include "remote/control_connection.h"

#include <algorithm>

namespace {

// Whether `now` is at or past `since` + `span` (the tick wraps).
bool Passed(uint32_t now, uint32_t since, uint32_t span) { return now - since >= span; }

uint32_t Left(uint32_t now, uint32_t since, uint32_t span) {
    const uint32_t spent = now - since;
    return spent >= span ? 0 : span - spent;
}

}  // namespace

ControlConnection::ControlConnection(ControlRoutes& routes, std::string peer, bool fromLoopback, uint32_t nowMs)
    : routes_(routes), peer_(std::move(peer)), fromLoopback_(fromLoopback), lastByteAt_(nowMs), sendProgressAt_(nowMs) {}

void ControlConnection::RefuseBusy(uint32_t nowMs) {
    Queue(ErrorReply(503, "the endpoint is serving as many clients as it takes; try again"), false, nowMs);
}

void ControlConnection::NoteRequestStart(uint32_t nowMs) {
    if (!inRequest_ && reader_.Partial()) {
        inRequest_ = true;
        requestStartAt_ = nowMs;
    }
}

void ControlConnection::Received(const char* data, size_t size, uint32_t nowMs) {
    if (finished_) return;
    lastByteAt_ = nowMs;
    if (draining_ || closeAfterOutput_) return;  // the end is decided: what comes is dropped
    Serve(reader_.Feed(data, size), nowMs);
}

void ControlConnection::Serve(HttpRequestReader::State state, uint32_t nowMs) {
    for (;;) {
        if (state == HttpRequestReader::State::Refused) {
            Queue(ErrorReply(reader_.RefusalStatus(), reader_.RefusalReason()), false, nowMs);
            return;
        }
        if (state == HttpRequestReader::State::NeedMore) {
            NoteRequestStart(nowMs);
            if (reader_.AwaitsContinue() && !continueSent_) {
                output_ += "HTTP/1.1 100 Continue\r\n\r\n";
                continueSent_ = true;
            }
            return;
        }
        const HttpRequest& request = reader_.Request();
        const ControlReply reply = routes_.Handle(request, peer_, fromLoopback_, nowMs);
        const bool keepAlive = request.KeepAlive() && reply.status < 400;
        Queue(reply, keepAlive, nowMs);
        inRequest_ = continueSent_ = false;
        if (!keepAlive) return;
        state = reader_.Next();
    }
}

void ControlConnection::Queue(const ControlReply& reply, bool keepAlive, uint32_t nowMs) {
    if (output_.empty()) sendProgressAt_ = nowMs;
    output_ += SerializeReply(reply, keepAlive);
    if (!keepAlive) closeAfterOutput_ = true;
}

void ControlConnection::PeerClosed(uint32_t nowMs) {
    (void)nowMs;
    // Its side is closed: nothing more comes, and a reply still going out
    // may still be read (a client may shut its sending side and read).
    if (draining_ || !inRequest_) {
        if (output_.empty()) finished_ = true;
        else closeAfterOutput_ = true;
        return;
    }
    // Inside a request that can never be completed now.
    finished_ = true;
}

void ControlConnection::Sent(size_t size, uint32_t nowMs) {
    output_.erase(0, size);
    sendProgressAt_ = nowMs;
    if (output_.empty()) lastByteAt_ = nowMs;  // the idle time starts after the reply
}

void ControlConnection::ShutDown(uint32_t nowMs) {
    draining_ = true;
    drainStartAt_ = nowMs;
}

void ControlConnection::Tick(uint32_t nowMs) {
    if (finished_) return;
    if (draining_) {
        if (Passed(nowMs, drainStartAt_, kDrainMs)) finished_ = true;
        return;
    }
    if (!output_.empty()) {
        if (Passed(nowMs, sendProgressAt_, kReplyWithinMs)) finished_ = true;  // the client takes nothing
        return;
    }
    if (closeAfterOutput_) return;  // ShutdownDue
    if (inRequest_) {
        if (Passed(nowMs, lastByteAt_, kIdleDropMs) || Passed(nowMs, requestStartAt_, kRequestWithinMs))
            Queue(ErrorReply(408, "the request did not come in time"), false, nowMs);
        return;
    }
    if (Passed(nowMs, lastByteAt_, kIdleDropMs)) finished_ = true;
}

uint32_t ControlConnection::MsToDeadline(uint32_t nowMs) const {
    if (finished_ || ShutdownDue()) return 0;
    if (draining_) return Left(nowMs, drainStartAt_, kDrainMs);
    if (!output_.empty()) return Left(nowMs, sendProgressAt_, kReplyWithinMs);
    uint32_t left = Left(nowMs, lastByteAt_, kIdleDropMs);
    if (inRequest_) left = std::min(left, Left(nowMs, requestStartAt_, kRequestWithinMs));
    return left;
}
