// The endpoint's request reader on any bytes: whole or cut anywhere it
// reads the same requests (or the same refusal), nothing it reads is over
// its limits, and each request read gets one answer of the endpoint's whose
// length is what its header says.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "remote/control_routes.h"

namespace {

struct Idle final : RemoteEngine {
    LineStatus State() override { return LineStatus(); }
    uint32_t QueueUrgent(const std::u16string&, int32_t) override { return 1; }
    void Start() override {}
    void Stop() override {}
    ChangeOutcome ChangeSource(SourceKind, std::optional<int32_t>) override { return ChangeOutcome(); }
    ChangeOutcome PutText(const std::u16string&) override { return ChangeOutcome(); }
};

struct Quiet final : ControlLog {
    void Line(const std::u16string&) override {}
};

// What the reader made of the bytes, as text to compare.
std::string Read(const std::string& bytes, uint32_t seed, bool whole) {
    HttpRequestReader reader;
    std::string seen;
    size_t at = 0;
    while (at < bytes.size()) {
        seed = seed * 1103515245u + 12345u;
        const size_t n = whole ? bytes.size() : 1 + (seed >> 16) % 64;
        const size_t take = std::min(n, bytes.size() - at);
        HttpRequestReader::State s = reader.Feed(bytes.data() + at, take);
        at += take;
        while (s == HttpRequestReader::State::Complete) {
            const HttpRequest& r = reader.Request();
            if (r.body.size() > kMaxBodyBytes) std::abort();
            seen += r.method + ' ' + r.path + '?' + r.query + ' ' + std::to_string(r.minorVersion) + '\n';
            for (const auto& h : r.headers) seen += h.first + ':' + h.second + '\n';
            seen += std::to_string(r.body.size()) + ':' + r.body + '\n';
            s = reader.Next();
        }
        if (s == HttpRequestReader::State::Refused) return seen + "refused " + std::to_string(reader.RefusalStatus());
    }
    return seen + (reader.Partial() ? "partial" : "idle");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint32_t seed = in.U32();
    const std::string bytes(reinterpret_cast<const char*>(data) + (size < 4 ? size : 4), size < 4 ? 0 : size - 4);
    const std::string whole = Read(bytes, seed, true);
    if (Read(bytes, seed, false) != whole) std::abort();

    // Every request read is answered once, with its exact length.
    Idle engine;
    Quiet log;
    ControlRoutes routes(engine, log, 8080, seed & 1 ? "a-key-of-some-length" : "");
    HttpRequestReader reader;
    HttpRequestReader::State s = reader.Feed(bytes.data(), bytes.size());
    for (int i = 0; i < 8 && s == HttpRequestReader::State::Complete; ++i, s = reader.Next()) {
        const ControlReply reply = routes.Handle(reader.Request(), "127.0.0.1", true, seed);
        const std::string wire = SerializeReply(reply, true);
        const std::string length = "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        if (reply.status < 200 || wire.find(length) == std::string::npos) std::abort();
        if (wire.compare(wire.size() - reply.body.size(), reply.body.size(), reply.body) != 0) std::abort();
        const std::string head = wire.substr(0, wire.size() - reply.body.size());
        if (head.find("\r\nAccess-Control") != std::string::npos) std::abort();  // no CORS, whatever was asked
    }
    return 0;
}
