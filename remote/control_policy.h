// Who may talk to the endpoint. It lives in the host's process, where a web
// page in the user's browser can reach 127.0.0.1 too, so:
//  - with a key set, every request presents it (as "Authorization: Bearer"
//    or a `key` parameter), compared in constant time; five wrong keys from
//    one address shut that address out for 60 s (429);
//  - a request must name this endpoint in Host (127.0.0.1:port or
//    localhost:port), which DNS rebinding cannot fake; a request that holds
//    the key and comes from the network is let through whatever its Host;
//  - a request carrying Origin, or Sec-Fetch-Site cross-site or same-site,
//    comes from a page, and is refused unless it presents the key.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "remote/http_request.h"

// The shortest key that lets the endpoint listen beyond this machine.
constexpr size_t kLanKeyMinLength = 12;
constexpr int kWrongKeysBeforeLockout = 5;
constexpr uint32_t kLockoutMs = 60000;

// Whether two secrets are equal, in a time that depends only on the
// length of `given` (the caller's, known to the caller anyway).
bool SameSecret(const std::string& expected, const std::string& given);

struct PolicyVerdict {
    int status = 0;  // 0: admitted; else 401, 403 or 429
    std::string reason;
    uint32_t retryAfterSeconds = 0;  // 429
    bool lockedOut = false;  // this request's wrong key shut the address out
    bool keyHeld = false;    // admitted with the right key
};

class ControlPolicy {
public:
    ControlPolicy(uint16_t port, std::string key) : port_(port), key_(std::move(key)) {}

    // `presentedKey` null when the request presents none; `fromLoopback`
    // whether the peer is this machine; `nowMs` a millisecond tick (wraps).
    PolicyVerdict Admit(const HttpRequest& request, const std::string* presentedKey, const std::string& peer,
                        bool fromLoopback, uint32_t nowMs);

private:
    struct Strikes {
        std::string peer;
        int wrongKeys = 0;
        bool locked = false;
        uint32_t lockedAt = 0;
    };
    Strikes* StrikesOf(const std::string& peer, bool create);
    bool HostNamesUs(const std::string& host) const;

    uint16_t port_;
    std::string key_;
    std::vector<Strikes> strikes_;  // a few addresses at most; the oldest go first
};

// Where the endpoint listens, from the settings: nowhere for port 0 or a
// port outside 1024-65535; on this machine only (127.0.0.1) unless the
// network is asked for and the key has at least kLanKeyMinLength
// characters. `note` says, for the log, why it listens less than asked.
struct ListenPlan {
    bool listen = false;
    bool allAddresses = false;
    uint16_t port = 0;
    std::u16string note;
};
ListenPlan PlanListening(int32_t port, const std::string& key, uint32_t lan);

// The key of "Authorization: Bearer <key>"; null without one.
const std::string* BearerKey(const HttpRequest& request, std::string& storage);
