// The control endpoint's surroundings for its unit tests: an engine that
// records what it is asked, a log that keeps its lines, and requests.
#pragma once
#include <string>
#include <vector>

#include "remote/control_routes.h"

struct FakeRemoteEngine : RemoteEngine {
    LineStatus state;
    uint32_t nextUrgentId = 3;  // 0: urgent lines are not taken
    std::vector<std::string> calls;
    std::u16string lastText;
    int32_t lastRepeat = -1;
    ChangeOutcome sourceOutcome, textOutcome;

    LineStatus State() override { return state; }
    uint32_t QueueUrgent(const std::u16string& text, int32_t repeat) override {
        calls.push_back("urgent");
        lastText = text;
        lastRepeat = repeat;
        return nextUrgentId;
    }
    void Start() override {
        calls.push_back("start");
        state.running = true;
    }
    void Stop() override {
        calls.push_back("stop");
        state.running = false;
    }
    ChangeOutcome ChangeSource(SourceKind kind, std::optional<int32_t> index) override {
        calls.push_back("source " + std::to_string(int(kind)) + " " + (index ? std::to_string(*index) : "-"));
        return sourceOutcome;
    }
    ChangeOutcome PutText(const std::u16string& text) override {
        calls.push_back("text");
        lastText = text;
        return textOutcome;
    }
};

struct RecordingLog : ControlLog {
    std::vector<std::u16string> lines;
    void Line(const std::u16string& text) override { lines.push_back(text); }
};

// A request as a client on this machine sends it to port 8080.
inline HttpRequest MakeRequest(const std::string& method, const std::string& target, const std::string& body = "",
                               std::vector<std::pair<std::string, std::string>> extra = {}) {
    HttpRequest r;
    r.method = method;
    const size_t q = target.find('?');
    r.path = target.substr(0, q);
    if (q != std::string::npos) r.query = target.substr(q + 1);
    r.headers = {{"host", "127.0.0.1:8080"}};
    if (method == "POST") r.headers.push_back({"content-type", "application/json"});
    for (auto& h : extra) r.headers.push_back(h);
    r.body = body;
    return r;
}
