#include "remote/control_routes.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "base/ansi_codec.h"
#include "base/ascii.h"
#include "base/text.h"
#include "base/version.h"
#include "remote/json_writer.h"
#include "text/unicode_text.h"

namespace {

const char* StatusText(int status) {
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

const char* SourceName(ContentSource source, bool allFeeds) {
    switch (source) {
    case ContentSource::Strings: return "string";
    case ContentSource::TextFile: return "file";
    case ContentSource::Feed: return allFeeds ? "all-feeds" : "feed";
    }
    return "none";  // a hand-edited file's number
}

const char* UrgentName(UrgentState state) {
    switch (state) {
    case UrgentState::Waiting: return "waiting";
    case UrgentState::OnAir: return "on-air";
    case UrgentState::Done: return "done";
    case UrgentState::Replaced: return "replaced";
    }
    return "unknown";
}

std::u16string FromSettings(const std::string& text) { return SystemAnsiCodec().ToUtf16(text.c_str()); }

std::u16string Number16(int64_t n) { return WidenBytes(std::to_string(n).c_str()); }

bool IsJson(const std::string* contentType, std::string& error) {
    if (!contentType) return false;
    const std::string type = TrimCopy(contentType->substr(0, contentType->find(';')));
    if (!SameIgnoringAsciiCase(type, "application/json")) return false;
    // A charset, if named, is UTF-8's.
    const std::string lower = AsciiLowerCopy(*contentType);
    const size_t at = lower.find("charset=");
    if (at != std::string::npos) {
        std::string charset = TrimCopy(lower.substr(at + 8, lower.find(';', at) - (at + 8)));
        if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
            charset = charset.substr(1, charset.size() - 2);
        if (charset != "utf-8" && charset != "utf8") error = "a JSON body must be UTF-8";
    }
    return true;
}

// A request id worth echoing: short, printable ASCII.
std::string EchoableId(const std::string* id) {
    if (!id || id->empty() || id->size() > 128) return std::string();
    for (unsigned char c : *id)
        if (c < 0x21 || c > 0x7E) return std::string();
    return *id;
}

// A text for the line or the list: there, and without control characters.
std::string CheckText(const ParamRead<std::u16string>& text) {
    if (!text.error.empty()) return text.error;
    if (!text.present) return "\"text\" is missing";
    if (text.value.empty()) return "\"text\" is empty";
    if (HasControlChars(text.value)) return "\"text\" holds a control character";
    return std::string();
}

ControlReply Done(JsonWriter& json) {
    ControlReply r;
    json.EndObject();
    r.body = json.Text();
    return r;
}

JsonWriter Ok() {
    JsonWriter json;
    json.BeginObject().Bool("ok", true);
    return json;
}

enum class Route { State, Urgent, Start, Stop, Source, Text };

struct RouteEntry {
    const char* path;
    Route route;
    bool changes;  // POST with a JSON body; otherwise GET
    std::initializer_list<const char*> params;
};

const RouteEntry kRoutes[] = {
    {"/api/state", Route::State, false, {}},
    {"/api/urgent", Route::Urgent, true, {"text", "repeat"}},
    {"/api/start", Route::Start, true, {}},
    {"/api/stop", Route::Stop, true, {}},
    {"/api/source", Route::Source, true, {"kind", "index"}},
    {"/api/text", Route::Text, true, {"text"}},
};

}  // namespace

ControlReply ErrorReply(int status, const std::string& reason) {
    JsonWriter json;
    json.BeginObject().Bool("ok", false).Number("status", status).Utf8("error", reason).EndObject();
    ControlReply r;
    r.status = status;
    r.body = json.Text();
    return r;
}

std::string SerializeReply(const ControlReply& reply, bool keepAlive) {
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + StatusText(reply.status) + "\r\n";
    out += "Content-Type: application/json; charset=utf-8\r\n";
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    if (reply.allow) out += std::string("Allow: ") + reply.allow + "\r\n";
    if (reply.retryAfterSeconds) out += "Retry-After: " + std::to_string(reply.retryAfterSeconds) + "\r\n";
    if (!reply.requestId.empty()) out += "X-Request-Id: " + reply.requestId + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return out + reply.body;
}

ControlRoutes::ControlRoutes(RemoteEngine& engine, ControlLog& log, uint16_t port, const std::string& key)
    : engine_(engine), log_(log), key16_(FromSettings(key)), policy_(port, ToUtf8(key16_.data(), key16_.size())) {}

void ControlRoutes::Log(const std::u16string& line) { log_.Line(u"Control: " + line); }

ControlReply ControlRoutes::Handle(const HttpRequest& request, const std::string& peer, bool fromLoopback,
                                   uint32_t nowMs) {
    ControlReply reply;
    const std::string requestId = EchoableId(request.Header("x-request-id"));
    // The parameters are read first (a key may be among them); their faults
    // are told only to a request the policy admits.
    RequestParams params;
    std::string paramError, typeError;
    const bool json = IsJson(request.Header("content-type"), typeError);
    if (params.AddQuery(request.query, paramError)) {
        if (!typeError.empty()) paramError = typeError;
        else if (json && !request.body.empty()) params.AddJsonObject(request.body, paramError);
    }
    std::string bearer;
    const std::string* key = BearerKey(request, bearer);
    const ParamRead<std::u16string> keyParam = ReadText(params, "key");
    std::string keyParamUtf8;
    if (!key && keyParam.present && keyParam.error.empty()) {
        keyParamUtf8 = ToUtf8(keyParam.value.data(), keyParam.value.size());
        key = &keyParamUtf8;
    }

    const PolicyVerdict verdict = policy_.Admit(request, key, peer, fromLoopback, nowMs);
    if (verdict.lockedOut)
        Log(u"wrong keys from " + WidenBytes(peer.c_str()) + u"; it is refused for " + Number16(kLockoutMs / 1000) +
            u" s.");
    if (verdict.status) {
        reply = ErrorReply(verdict.status, verdict.reason);
        reply.retryAfterSeconds = verdict.retryAfterSeconds;
    } else {
        const RouteEntry* entry = nullptr;
        for (const RouteEntry& e : kRoutes)
            if (request.path == e.path) entry = &e;
        if (!entry) {
            reply = ErrorReply(404, "no such request: " + request.path);
        } else if (request.method != (entry->changes ? "POST" : "GET")) {
            reply = ErrorReply(405, std::string(entry->path) + " takes " + (entry->changes ? "POST" : "GET"));
            reply.allow = entry->changes ? "POST" : "GET";
        } else if (entry->changes && !json) {
            // A page's form or script sends other types without asking first.
            reply = ErrorReply(403, "a request that changes something is POST with Content-Type: application/json");
        } else if (!paramError.empty()) {
            reply = ErrorReply(400, paramError);
        } else {
            for (const auto& p : params.All()) {
                bool known = p.first == "key";
                for (const char* name : entry->params) known = known || p.first == name;
                if (!known && paramError.empty()) paramError = "unknown parameter \"" + p.first + "\"";
            }
            if (!paramError.empty()) {
                reply = ErrorReply(400, paramError);
            } else {
                switch (entry->route) {
                case Route::State: reply = State(); break;
                case Route::Urgent: reply = Urgent(params); break;
                case Route::Start: reply = Run(true); break;
                case Route::Stop: reply = Run(false); break;
                case Route::Source: reply = Source(params); break;
                case Route::Text: reply = Text(params); break;
                }
            }
        }
    }
    reply.requestId = requestId;
    return reply;
}

ControlReply ControlRoutes::State() {
    const LineStatus s = engine_.State();
    JsonWriter json = Ok();
    json.Bool("running", s.running)
        .Utf8("source", SourceName(s.source, s.allFeeds))
        .String("onScreen", s.onScreen)
        .Number("items", s.items);
    json.BeginArray("feeds");
    for (const FeedStatus& f : s.feeds) {
        json.BeginObject().String("address", FromSettings(f.address)).String("result", FromSettings(f.result));
        if (!f.notice.empty()) json.String("notice", f.notice);
        if (f.time) json.Number("time", f.time);
        else json.Null("time");
        json.EndObject();
    }
    json.EndArray().BeginArray("urgent");
    for (const UrgentStatus& u : s.urgent)
        json.BeginObject().Number("id", u.id).Utf8("state", UrgentName(u.state)).EndObject();
    json.EndArray().Utf8("version", SKIMROW_VERSION_TEXT);
    return Done(json);
}

ControlReply ControlRoutes::Urgent(const RequestParams& params) {
    const ParamRead<std::u16string> text = ReadText(params, "text");
    const std::string bad = CheckText(text);
    if (!bad.empty()) return ErrorReply(400, bad);
    const ParamRead<int64_t> repeat = ReadInteger(params, "repeat", 1, 99);
    if (!repeat.error.empty()) return ErrorReply(400, repeat.error);
    const uint32_t id = engine_.QueueUrgent(text.value, int32_t(repeat.value));
    if (id == 0) {
        Log(u"urgent line not taken: " + LogSafe(text.value, key16_));
        return ErrorReply(503, "the urgent line was not taken: the line takes no urgent lines now");
    }
    Log(u"urgent #" + Number16(id) + u" queued: " + LogSafe(text.value, key16_));
    JsonWriter json = Ok();
    json.Number("id", id);
    return Done(json);
}

ControlReply ControlRoutes::Run(bool start) {
    if (start) engine_.Start();
    else engine_.Stop();
    Log(start ? u"line started." : u"line stopped.");
    JsonWriter json = Ok();
    json.Bool("running", engine_.State().running);
    return Done(json);
}

ControlReply ControlRoutes::Source(const RequestParams& params) {
    const ParamRead<std::u16string> kind = ReadText(params, "kind");
    if (!kind.error.empty()) return ErrorReply(400, kind.error);
    if (!kind.present) return ErrorReply(400, "\"kind\" is missing");
    static const struct {
        const char16_t* name;
        SourceKind kind;
    } kKinds[] = {{u"string", SourceKind::String},
                  {u"file", SourceKind::File},
                  {u"feed", SourceKind::Feed},
                  {u"all-feeds", SourceKind::AllFeeds}};
    const auto* chosen = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const auto& k) { return kind.value == k.name; });
    if (chosen == std::end(kKinds)) return ErrorReply(400, "\"kind\" must be string, file, feed or all-feeds");
    const ParamRead<int64_t> index = ReadInteger(params, "index", 0, INT32_MAX);
    if (!index.error.empty()) return ErrorReply(400, index.error);
    const ChangeOutcome done =
        engine_.ChangeSource(chosen->kind, index.present ? std::optional<int32_t>(int32_t(index.value)) : std::nullopt);
    if (done.status != 200) return ErrorReply(done.status, done.reason);
    if (chosen->kind == SourceKind::AllFeeds) Log(u"source set to all feeds.");
    else Log(u"source set to " + std::u16string(chosen->name) + u" #" + Number16(done.index) + u".");
    JsonWriter json = Ok();
    json.Utf8("source", ToUtf8(chosen->name, std::char_traits<char16_t>::length(chosen->name)));
    if (done.index >= 0) json.Number("index", done.index);
    return Done(json);
}

ControlReply ControlRoutes::Text(const RequestParams& params) {
    const ParamRead<std::u16string> text = ReadText(params, "text");
    const std::string bad = CheckText(text);
    if (!bad.empty()) return ErrorReply(400, bad);
    const ChangeOutcome done = engine_.PutText(text.value);
    if (done.status != 200) return ErrorReply(done.status, done.reason);
    Log(u"string #" + Number16(done.index) + u" set: " + LogSafe(text.value, key16_));
    JsonWriter json = Ok();
    json.Number("index", done.index);
    return Done(json);
}
