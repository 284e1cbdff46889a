#include "remote/http_request.h"

#include <cstring>

#include "base/ascii.h"
#include "base/text.h"

namespace {

// RFC 9110's token characters (method and header names).
bool IsTokenChar(unsigned char c) {
    if (c >= '0' && c <= '9') return true;
    if (IsAsciiLetter(c)) return true;
    return c && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool IsToken(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (!IsTokenChar(c)) return false;
    return true;
}

// A header value: visible characters, blanks, tabs and any byte above 127.
bool IsFieldValue(const std::string& s) {
    for (unsigned char c : s)
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    return true;
}

// Whether a comma-separated header value lists `token` (any case).
bool ListsToken(const std::string& value, const char* token) {
    size_t start = 0;
    while (start <= value.size()) {
        size_t comma = value.find(',', start);
        if (comma == std::string::npos) comma = value.size();
        if (SameIgnoringAsciiCase(TrimBlanksAndTabs(value.substr(start, comma - start)), token)) return true;
        start = comma + 1;
    }
    return false;
}

// Where the head ends (the index just past its blank line), or npos. Lines
// end in CRLF or a bare LF; `from` is where an earlier search stopped.
size_t HeadEnd(const std::string& bytes, size_t from) {
    for (size_t i = from; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        size_t next = i + 1;
        if (next < bytes.size() && bytes[next] == '\n') return next + 1;
        if (next + 1 < bytes.size() && bytes[next] == '\r' && bytes[next + 1] == '\n') return next + 2;
    }
    return std::string::npos;
}

}  // namespace

const std::string* HttpRequest::Header(const char* name) const {
    for (const auto& h : headers)
        if (h.first == name) return &h.second;
    return nullptr;
}

bool HttpRequest::KeepAlive() const {
    const std::string* connection = Header("connection");
    if (minorVersion == 0) return connection && ListsToken(*connection, "keep-alive");
    return !connection || !ListsToken(*connection, "close");
}

HttpRequestReader::State HttpRequestReader::Refuse(int status, const char* reason) {
    refusalStatus_ = status;
    refusalReason_ = reason;
    pending_.clear();
    return state_ = State::Refused;
}

HttpRequestReader::State HttpRequestReader::Feed(const char* data, size_t size) {
    if (state_ == State::Refused) return state_;
    if (state_ == State::Complete) {  // the start of the next request, read at Next
        pending_.append(data, size);
        return state_;
    }
    pending_.append(data, size);
    return Parse();
}

HttpRequestReader::State HttpRequestReader::Next() {
    if (state_ != State::Complete) return state_;
    request_ = HttpRequest();
    inBody_ = expectContinue_ = false;
    bodyLength_ = scanned_ = 0;
    state_ = State::NeedMore;
    return Parse();
}

HttpRequestReader::State HttpRequestReader::Parse() {
    if (!inBody_) {
        // Blank lines before a request line are ignored (some clients end a
        // body with an extra CRLF).
        size_t skip = 0;
        while (skip < pending_.size() && (pending_[skip] == '\r' || pending_[skip] == '\n')) ++skip;
        if (skip > 0) {
            pending_.erase(0, skip);
            scanned_ = 0;
        }
        // A line end may straddle the last search's end: look again two bytes back.
        const size_t end = HeadEnd(pending_, scanned_ > 2 ? scanned_ - 2 : 0);
        if (end == std::string::npos) {
            if (pending_.size() > kMaxHeaderBytes) return Refuse(431, "the request's headers are over 16 KB");
            scanned_ = pending_.size();
            return state_;
        }
        if (end > kMaxHeaderBytes) return Refuse(431, "the request's headers are over 16 KB");
        if (ParseHead(end) == State::Refused) return state_;
        pending_.erase(0, end);
        inBody_ = true;
    }
    if (pending_.size() < bodyLength_) return state_;
    request_.body.assign(pending_, 0, bodyLength_);
    pending_.erase(0, bodyLength_);
    inBody_ = false;
    return state_ = State::Complete;
}

HttpRequestReader::State HttpRequestReader::ParseHead(size_t headEnd) {
    size_t start = 0;
    bool first = true;
    while (start < headEnd) {
        size_t lf = pending_.find('\n', start);
        size_t lineEnd = lf;
        if (lineEnd > start && pending_[lineEnd - 1] == '\r') --lineEnd;
        const std::string line = pending_.substr(start, lineEnd - start);
        start = lf + 1;
        if (line.find('\r') != std::string::npos) return Refuse(400, "a bare CR in the request's head");
        if (first) {
            if (!ParseRequestLine(line)) return state_;
            first = false;
            continue;
        }
        if (line.empty()) break;  // the blank line that ends the head
        if (ParseHeaderLine(line) == State::Refused) return state_;
    }
    return CheckFraming();
}

bool HttpRequestReader::ParseRequestLine(const std::string& line) {
    const size_t sp1 = line.find(' ');
    const size_t sp2 = sp1 == std::string::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string::npos || line.find(' ', sp2 + 1) != std::string::npos) {
        Refuse(400, "the request line is not \"METHOD /path HTTP/1.1\"");
        return false;
    }
    request_.method = line.substr(0, sp1);
    const std::string target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string version = line.substr(sp2 + 1);
    if (!IsToken(request_.method)) {
        Refuse(400, "the request's method is not a token");
        return false;
    }
    if (version == "HTTP/1.1") request_.minorVersion = 1;
    else if (version == "HTTP/1.0") request_.minorVersion = 0;
    else {
        Refuse(400, "only HTTP/1.0 and HTTP/1.1 are spoken here");
        return false;
    }
    if (target.empty() || target[0] != '/') {
        Refuse(400, "the request's target must be a path starting with /");
        return false;
    }
    for (unsigned char c : target) {
        if (c <= 0x20 || c >= 0x7F) {
            Refuse(400, "the request's target holds a character that must be percent-encoded");
            return false;
        }
    }
    const size_t q = target.find('?');
    request_.path = target.substr(0, q);
    if (q != std::string::npos) request_.query = target.substr(q + 1);
    const size_t hash = request_.query.find('#');
    if (hash != std::string::npos || request_.path.find('#') != std::string::npos) {
        Refuse(400, "the request's target holds a fragment");
        return false;
    }
    return true;
}

HttpRequestReader::State HttpRequestReader::ParseHeaderLine(const std::string& line) {
    if (line[0] == ' ' || line[0] == '\t') return Refuse(400, "a folded header line");
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return Refuse(400, "a header line without a colon");
    std::string name = line.substr(0, colon);
    // No white space before the colon: proxies read such a name two ways.
    if (!IsToken(name)) return Refuse(400, "a header name that is not a token");
    std::string value = TrimBlanksAndTabs(line.substr(colon + 1));
    if (!IsFieldValue(value)) return Refuse(400, "a header value with a control character");
    request_.headers.emplace_back(AsciiLowerCopy(std::move(name)), std::move(value));
    return state_;
}

HttpRequestReader::State HttpRequestReader::CheckFraming() {
    if (request_.Header("transfer-encoding"))
        return Refuse(400, "a body must come with Content-Length (no transfer coding is taken)");
    int hosts = 0;
    bool haveLength = false;
    size_t length = 0;
    for (const auto& h : request_.headers) {
        if (h.first == "host") ++hosts;
        if (h.first != "content-length") continue;
        const std::string& v = h.second;
        if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos)
            return Refuse(400, "Content-Length is not a number");
        // Beyond the limit either way: 413 without reading it.
        size_t n = 0;
        for (char c : v) {
            n = n * 10 + size_t(c - '0');
            if (n > kMaxBodyBytes) return Refuse(413, "the request's body is over 64 KB");
        }
        if (haveLength && n != length) return Refuse(400, "two different Content-Length headers");
        haveLength = true;
        length = n;
    }
    if (hosts > 1) return Refuse(400, "more than one Host header");
    if (hosts == 0 && request_.minorVersion == 1) return Refuse(400, "an HTTP/1.1 request without a Host header");
    bodyLength_ = length;
    if (const std::string* expect = request_.Header("expect"))
        expectContinue_ = SameIgnoringAsciiCase(*expect, "100-continue");
    return state_;
}
