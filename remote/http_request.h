// One HTTP/1.1 request read from a connection's bytes, as they come. The
// reader is strict where laxness lets one request be read two ways (two
// lengths, a folded header, a bare CR) and bounded everywhere: the request
// line and headers fit in 16 KB (else 431), a body in 64 KB (else 413), and
// anything that is not HTTP/1.x in origin form is refused with 400.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr size_t kMaxHeaderBytes = 16 * 1024;
constexpr size_t kMaxBodyBytes = 64 * 1024;

struct HttpRequest {
    std::string method;  // as sent: methods are case-sensitive
    std::string path;    // the target up to '?', not decoded
    std::string query;   // after '?', not decoded
    int minorVersion = 1;
    // Names in lower case, values without the white space around them, in order.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that (lower-case) name; null when there is none.
    const std::string* Header(const char* name) const;
    // Whether the connection stays open after the reply (HTTP/1.1 unless
    // "Connection: close"; HTTP/1.0 only with "Connection: keep-alive").
    bool KeepAlive() const;
};

class HttpRequestReader {
public:
    enum class State { NeedMore, Complete, Refused };

    // Takes the next bytes of the connection; returns what is known then.
    // Once Complete or Refused, further bytes wait until Next.
    State Feed(const char* data, size_t size);
    State Current() const { return state_; }

    const HttpRequest& Request() const { return request_; }
    // Refused: the status to answer with and why, in words.
    int RefusalStatus() const { return refusalStatus_; }
    const std::string& RefusalReason() const { return refusalReason_; }
    // The headers are in and a body is still to come after an
    // "Expect: 100-continue" (a client waits for the interim answer).
    bool AwaitsContinue() const { return state_ == State::NeedMore && inBody_ && expectContinue_; }
    // Some byte of a request has come and the request is not complete.
    bool Partial() const { return state_ == State::NeedMore && (inBody_ || !pending_.empty()); }

    // After Complete: starts on the next request with the bytes already
    // received beyond this one; returns the state they give.
    State Next();

private:
    State Refuse(int status, const char* reason);
    State Parse();
    State ParseHead(size_t headEnd);
    bool ParseRequestLine(const std::string& line);
    State ParseHeaderLine(const std::string& line);
    State CheckFraming();

    HttpRequest request_;
    State state_ = State::NeedMore;
    std::string pending_;  // bytes not yet taken into the request
    bool inBody_ = false;
    bool expectContinue_ = false;
    size_t bodyLength_ = 0;
    size_t scanned_ = 0;  // how far the search for the head's end has looked
    int refusalStatus_ = 0;
    std::string refusalReason_;
};
