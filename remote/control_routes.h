// The endpoint's requests and their answers. Each request is admitted by
// the policy, matched to its route and method, its parameters read and
// checked, and only then does the engine hear of it: a refused request
// changes nothing. Every answer is JSON that says what happened; every
// change is one line in the log.
#pragma once
#include <cstdint>
#include <string>

#include "remote/control_policy.h"
#include "remote/http_request.h"
#include "remote/log_text.h"
#include "remote/remote_engine.h"
#include "remote/request_params.h"

struct ControlReply {
    int status = 200;
    std::string body;  // JSON, UTF-8
    const char* allow = nullptr;     // 405: the method the route takes
    uint32_t retryAfterSeconds = 0;  // 429
    std::string requestId;           // the request's X-Request-Id, echoed
};

// The whole reply on the wire: no CORS header, never cached.
std::string SerializeReply(const ControlReply& reply, bool keepAlive);
// A reply that refuses, with its reason.
ControlReply ErrorReply(int status, const std::string& reason);

class ControlRoutes {
public:
    // `key` in the settings' code page, as stored; empty for none.
    ControlRoutes(RemoteEngine& engine, ControlLog& log, uint16_t port, const std::string& key);

    ControlReply Handle(const HttpRequest& request, const std::string& peer, bool fromLoopback, uint32_t nowMs);

private:
    ControlReply State();
    ControlReply Urgent(const RequestParams& params);
    ControlReply Run(bool start);
    ControlReply Source(const RequestParams& params);
    ControlReply Text(const RequestParams& params);
    void Log(const std::u16string& line);

    RemoteEngine& engine_;
    ControlLog& log_;
    std::u16string key16_;  // for the log's mask
    ControlPolicy policy_;
};
