#include "remote/control_policy.h"

#include "base/ascii.h"
#include "base/text.h"

namespace {

constexpr size_t kMaxStruckAddresses = 64;

PolicyVerdict Refusal(int status, const char* reason) {
    PolicyVerdict v;
    v.status = status;
    v.reason = reason;
    return v;
}

}  // namespace

bool SameSecret(const std::string& expected, const std::string& given) {
    if (expected.empty()) return given.empty();
    volatile unsigned diff = unsigned(expected.size() ^ given.size());
    for (size_t i = 0; i < given.size(); ++i)
        diff = diff | (uint8_t(given[i]) ^ uint8_t(expected[i % expected.size()]));
    return diff == 0;
}

const std::string* BearerKey(const HttpRequest& request, std::string& storage) {
    const std::string* auth = request.Header("authorization");
    if (!auth || auth->size() < 7 || !SameIgnoringAsciiCase(auth->substr(0, 7), "bearer ")) return nullptr;
    size_t start = 7;
    while (start < auth->size() && (*auth)[start] == ' ') ++start;
    storage = auth->substr(start);
    return &storage;
}

ControlPolicy::Strikes* ControlPolicy::StrikesOf(const std::string& peer, bool create) {
    for (Strikes& s : strikes_)
        if (s.peer == peer) return &s;
    if (!create) return nullptr;
    if (strikes_.size() >= kMaxStruckAddresses) {
        // An address that is not shut out goes first; else the oldest.
        size_t drop = 0;
        while (drop + 1 < strikes_.size() && strikes_[drop].locked) ++drop;
        strikes_.erase(strikes_.begin() + long(drop));
    }
    strikes_.push_back(Strikes{peer});
    return &strikes_.back();
}

bool ControlPolicy::HostNamesUs(const std::string& host) const {
    const std::string port = ":" + std::to_string(port_);
    for (const char* name : {"127.0.0.1", "localhost"})
        if (SameIgnoringAsciiCase(host, (name + port).c_str())) return true;
    return false;
}

PolicyVerdict ControlPolicy::Admit(const HttpRequest& request, const std::string* presentedKey, const std::string& peer,
                                   bool fromLoopback, uint32_t nowMs) {
    if (Strikes* s = StrikesOf(peer, false); s && s->locked) {
        const uint32_t since = nowMs - s->lockedAt;
        if (since < kLockoutMs) {
            PolicyVerdict v = Refusal(429, "too many wrong keys from this address; try again later");
            v.retryAfterSeconds = (kLockoutMs - since + 999) / 1000;
            return v;
        }
        *s = Strikes{peer};
    }
    bool keyHeld = false;
    if (!key_.empty()) {
        if (!presentedKey) return Refusal(401, "this endpoint asks for its key (Authorization: Bearer, or key=)");
        if (!SameSecret(key_, *presentedKey)) {
            Strikes* s = StrikesOf(peer, true);
            PolicyVerdict v = Refusal(401, "wrong key");
            if (++s->wrongKeys >= kWrongKeysBeforeLockout) {
                s->locked = true;
                s->lockedAt = nowMs;
                v.lockedOut = true;
            }
            return v;
        }
        keyHeld = true;
        if (Strikes* s = StrikesOf(peer, false)) s->wrongKeys = 0;
    }
    if (!(keyHeld && !fromLoopback)) {
        const std::string* host = request.Header("host");
        if (!host || !HostNamesUs(*host))
            return Refusal(403, "the Host header must name this endpoint (127.0.0.1:port or localhost:port)");
    }
    if (!keyHeld) {
        if (request.Header("origin")) return Refusal(403, "requests from web pages (with Origin) are refused");
        if (const std::string* site = request.Header("sec-fetch-site")) {
            if (SameIgnoringAsciiCase(*site, "cross-site") || SameIgnoringAsciiCase(*site, "same-site"))
                return Refusal(403, "requests from web pages (Sec-Fetch-Site) are refused");
        }
    }
    PolicyVerdict admitted;
    admitted.keyHeld = keyHeld;
    return admitted;
}

ListenPlan PlanListening(int32_t port, const std::string& key, uint32_t lan) {
    ListenPlan plan;
    if (port == 0) return plan;
    if (port < 1024 || port > 65535) {
        plan.note = u"port " + WidenBytes(std::to_string(port).c_str()) + u" is outside 1024-65535; no endpoint.";
        return plan;
    }
    plan.listen = true;
    plan.port = uint16_t(port);
    if (lan == 0) return plan;
    if (key.size() < kLanKeyMinLength) {
        plan.note = u"ControlLan needs a ControlKey of at least " + WidenBytes(std::to_string(kLanKeyMinLength).c_str()) +
                    u" characters; listening on 127.0.0.1 only.";
        return plan;
    }
    plan.allAddresses = true;
    return plan;
}
