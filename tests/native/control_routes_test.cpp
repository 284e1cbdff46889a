// The endpoint's requests against a recording engine: each answer, the
// refusals that reach no engine call and no log line, the key and its
// lockout, and what the log may hold.
#include <gtest/gtest.h>

#include "base/version.h"
#include "remote_fakes.h"
#include "text/unicode_text.h"

namespace {

struct Routes : ::testing::Test {
    FakeRemoteEngine engine;
    RecordingLog log;
    std::string key;
    uint32_t now = 1000;
    ControlReply Send(const HttpRequest& r, const std::string& peer = "127.0.0.1", bool loopback = true) {
        ControlRoutes routes(engine, log, 8080, key);
        return routes.Handle(r, peer, loopback, now);
    }
    std::string Log() const {
        std::string all;
        for (const auto& l : log.lines) all += ToUtf8(l.data(), l.size()) + "\n";
        return all;
    }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(Routes, EachRequestGetsItsAnswerAndEachChangeItsLogLine) {
    engine.state.running = true;
    engine.state.source = ContentSource::Feed;
    engine.state.onScreen = u"Н&М \"1\"";
    engine.state.items = 4;
    engine.state.feeds = {{"http://127.0.0.1/\xEB\xE5\xED\xF2\xE0.xml", "failed", u"Ошибка", 1767225600},
                          {"http://b/", "", u"", 0}};
    engine.state.urgent = {{7, UrgentState::OnAir}, {6, UrgentState::Replaced}};
    ControlReply r = Send(MakeRequest("GET", "/api/state", "", {{"x-request-id", "abc-1"}}));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.requestId, "abc-1");
    EXPECT_EQ(r.body, u8"{\"ok\":true,\"running\":true,\"source\":\"feed\",\"onScreen\":\"Н&М \\\"1\\\"\",\"items\":4,"
                      u8"\"feeds\":[{\"address\":\"http://127.0.0.1/лента.xml\",\"result\":\"failed\","
                      u8"\"notice\":\"Ошибка\",\"time\":1767225600},{\"address\":\"http://b/\",\"result\":\"\",\"time\":null}],"
                      u8"\"urgent\":[{\"id\":7,\"state\":\"on-air\"},{\"id\":6,\"state\":\"replaced\"}],"
                      u8"\"version\":\"" SKIMROW_VERSION_TEXT "\"}");
    EXPECT_TRUE(log.lines.empty()) << "reads are not logged";

    r = Send(MakeRequest("POST", "/api/urgent?repeat=2", u8"{\"text\":\"H&M \\\"Срочно\\\" 🔥\"}"));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "{\"ok\":true,\"id\":3}");
    EXPECT_EQ(engine.lastText, u"H&M \"Срочно\" 🔥");
    EXPECT_EQ(engine.lastRepeat, 2);
    engine.nextUrgentId = 0;
    r = Send(MakeRequest("POST", "/api/urgent", "{\"text\":\"x\"}"));
    EXPECT_EQ(r.status, 503);
    EXPECT_TRUE(Has(r.body, "\"ok\":false")) << r.body;

    EXPECT_EQ(Send(MakeRequest("POST", "/api/stop")).body, "{\"ok\":true,\"running\":false}");
    EXPECT_EQ(Send(MakeRequest("POST", "/api/start", "{}")).body, "{\"ok\":true,\"running\":true}");
    engine.sourceOutcome.index = 1;
    EXPECT_EQ(Send(MakeRequest("POST", "/api/source", "{\"kind\":\"file\",\"index\":1}")).body,
              "{\"ok\":true,\"source\":\"file\",\"index\":1}");
    engine.sourceOutcome = ChangeOutcome::Refused(400, "the feed list is empty");
    r = Send(MakeRequest("POST", "/api/source?kind=feed"));
    EXPECT_EQ(r.status, 400);
    EXPECT_TRUE(Has(r.body, "the feed list is empty"));
    engine.textOutcome.index = 2;
    EXPECT_EQ(Send(MakeRequest("POST", "/api/text", u8"{\"text\":\"Погода: +5\"}")).body, "{\"ok\":true,\"index\":2}");

    EXPECT_EQ(engine.calls, (std::vector<std::string>{"urgent", "urgent", "stop", "start", "source 1 1", "source 2 -",
                                                      "text"}));
    EXPECT_EQ(Log(), u8"Control: urgent #3 queued: H&M \"Срочно\" 🔥\n"
                     u8"Control: urgent line not taken: x\n"
                     u8"Control: line stopped.\nControl: line started.\n"
                     u8"Control: source set to file #1.\n"
                     u8"Control: string #2 set: Погода: +5\n");
}

TEST_F(Routes, RefusedRequestsReachNoEngineCallAndNoLogLine) {
    key = "correct-horse-battery";
    const std::string auth = "Bearer " + key;
    const struct {
        HttpRequest request;
        int status;
    } kRefused[] = {
        {MakeRequest("POST", "/api/stop"), 401},
        {MakeRequest("GET", "/api/state"), 401},
        {MakeRequest("POST", "/api/stop", "", {{"authorization", "Bearer nope"}}), 401},
        {MakeRequest("POST", "/api/stop?key=correct-horse-batter"), 401},
        {MakeRequest("GET", "/api/nothing", "", {{"authorization", auth}}), 404},
        {MakeRequest("GET", "/api/stop", "", {{"authorization", auth}}), 405},
        {MakeRequest("POST", "/api/state", "", {{"authorization", auth}}), 405},
        {MakeRequest("POST", "/api/text", "{\"text\":\"\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/text", "{\"text\":\"a\\nb\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/text", "{\"txt\":\"a\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/text", "{\"text\":\"a\"", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/urgent", "{\"text\":\"a\",\"repeat\":-1}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/urgent", "{\"text\":\"a\\u0085\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/source", "{\"kind\":\"files\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/source", "{\"kind\":\"feed\",\"index\":\"x\"}", {{"authorization", auth}}), 400},
        {MakeRequest("POST", "/api/text?text=%zz", "", {{"authorization", auth}}), 400},
    };
    for (const auto& c : kRefused) {
        SCOPED_TRACE(c.request.path + "?" + c.request.query + " " + c.request.body);
        const ControlReply r = Send(c.request);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(Has(r.body, "\"ok\":false")) << r.body;
        EXPECT_EQ(r.allow != nullptr, c.status == 405);
    }
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(log.lines.empty());

    // Without a key: what a web page can send is refused.
    key.clear();
    HttpRequest plain = MakeRequest("POST", "/api/stop");
    plain.headers[1].second = "text/plain";
    HttpRequest foreign = MakeRequest("GET", "/api/state");
    foreign.headers[0].second = "attacker.example:8080";
    HttpRequest noPort = MakeRequest("GET", "/api/state");
    noPort.headers[0].second = "localhost";
    for (const HttpRequest& r :
         {plain, foreign, noPort, MakeRequest("POST", "/api/stop", "", {{"origin", "http://127.0.0.1:8080"}}),
          MakeRequest("GET", "/api/state", "", {{"origin", "null"}}),
          MakeRequest("GET", "/api/state", "", {{"sec-fetch-site", "cross-site"}}),
          MakeRequest("POST", "/api/start", "", {{"sec-fetch-site", "same-site"}})}) {
        EXPECT_EQ(Send(r).status, 403) << r.path;
    }
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(Send(MakeRequest("GET", "/api/state", "", {{"sec-fetch-site", "none"}})).status, 200);
    HttpRequest named = MakeRequest("GET", "/api/state");
    named.headers[0].second = "LocalHost:8080";
    EXPECT_EQ(Send(named).status, 200);
}

TEST_F(Routes, TheKeyLetsPagesAndTheNetworkInAndFiveWrongOnesShutAnAddressOutForAMinute) {
    key = "\xEA\xEB\xFE\xF7-secret-1";  // "ключ-secret-1" in the settings' code page
    const std::string utf8Key = u8"ключ-secret-1";
    HttpRequest fromLan = MakeRequest("POST", "/api/stop", "", {{"authorization", "bearer " + utf8Key}});
    fromLan.headers[0].second = "192.168.1.5:8080";
    EXPECT_EQ(Send(fromLan, "192.168.1.7", false).status, 200);
    EXPECT_EQ(Send(fromLan, "127.0.0.1", true).status, 403) << "on this machine Host still counts";
    EXPECT_EQ(Send(MakeRequest("POST", "/api/start", "{\"key\":\"" + utf8Key + "\"}", {{"origin", "http://x"}})).status,
              200);
    EXPECT_EQ(Send(MakeRequest("GET", "/api/state?key=%D0%BA%D0%BB%D1%8E%D1%87-secret-1")).status, 200);

    const HttpRequest wrong = MakeRequest("GET", "/api/state?key=guess");
    const HttpRequest right = MakeRequest("GET", "/api/state", "", {{"authorization", "Bearer " + utf8Key}});
    ControlRoutes routes(engine, log, 8080, key);  // one policy across the requests
    for (int i = 0; i < 4; ++i) EXPECT_EQ(routes.Handle(wrong, "10.0.0.9", false, now).status, 401);
    EXPECT_EQ(routes.Handle(right, "10.0.0.9", false, now).status, 200) << "the count starts again after a right key";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(routes.Handle(wrong, "10.0.0.9", false, now + i).status, 401);
    ControlReply r = routes.Handle(right, "10.0.0.9", false, now + 1000);
    EXPECT_EQ(r.status, 429);
    EXPECT_EQ(r.retryAfterSeconds, 60u);
    EXPECT_EQ(routes.Handle(right, "127.0.0.1", true, now + 1000).status, 200) << "another address is not shut out";
    EXPECT_EQ(routes.Handle(right, "10.0.0.9", false, now + 4 + kLockoutMs - 1).status, 429);
    EXPECT_EQ(routes.Handle(right, "10.0.0.9", false, now + 4 + kLockoutMs).status, 200) << "past the lockout";
    ASSERT_EQ(log.lines.size(), 3u);  // stop, start, the lockout
    EXPECT_EQ(log.lines[2], u"Control: wrong keys from 10.0.0.9; it is refused for 60 s.");
}

TEST(ControlLog, EscapesControlCharactersCutsLongTextsAndNeverHoldsTheKey) {
    EXPECT_EQ(LogSafe(u"a\nb\x1b[2J\\ \x85 \u2028", u""), u"a\\x0Ab\\x1B[2J\\\\ \\x85 \u2028");
    EXPECT_EQ(LogSafe(u"my s3cret-key and s3cret-keys", u"s3cret-key"), u"my *** and ***s");
    const std::u16string logged = LogSafe(std::u16string(500, u'я'), u"");
    EXPECT_EQ(logged, std::u16string(kLoggedTextChars, u'я') + u"...");
    EXPECT_TRUE(SameSecret("abc", "abc"));
    for (const char* other : {"abd", "ab", "abcd", "", "abcabc"}) EXPECT_FALSE(SameSecret("abc", other)) << other;
}

// Where it listens with a long or short key is checked through the DLL.
TEST(ListenPlan, NoEndpointForPortZeroOrOutsideTheRangeAndOnlyZeroIsSilent) {
    EXPECT_FALSE(PlanListening(0, "", 0).listen);
    EXPECT_TRUE(PlanListening(0, "", 0).note.empty());
    for (int32_t port : {80, 1023, 65536, -1}) {
        EXPECT_FALSE(PlanListening(port, "", 0).listen) << port;
        EXPECT_FALSE(PlanListening(port, "", 0).note.empty()) << port;
    }
    EXPECT_TRUE(PlanListening(1024, "", 0).listen && PlanListening(65535, "", 0).listen);
}

}  // namespace
