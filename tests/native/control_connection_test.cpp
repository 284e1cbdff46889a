// One connection on a clock the test moves: slow clients are dropped on
// time, a reply goes out before the end, and a connection that ends drains.
#include <gtest/gtest.h>

#include "remote/control_connection.h"
#include "remote_fakes.h"

namespace {

const std::string kState = "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n";

struct Connection : ::testing::Test {
    FakeRemoteEngine engine;
    RecordingLog log;
    ControlRoutes routes{engine, log, 8080, ""};
    uint32_t now = 0xFFFFF000u;  // the tick wraps during the tests
    ControlConnection c{routes, "127.0.0.1", true, now};

    void Receive(const std::string& bytes) { c.Received(bytes.data(), bytes.size(), now); }
    std::string TakeOutput() {
        std::string out = c.Output();
        c.Sent(out.size(), now);
        return out;
    }
    void Wait(uint32_t ms) {
        now += ms;
        c.Tick(now);
    }
    int Replies(const std::string& out) {
        int n = 0;
        for (size_t at = out.find("HTTP/1.1 "); at != std::string::npos; at = out.find("HTTP/1.1 ", at + 1)) ++n;
        return n;
    }
};

TEST_F(Connection, AnswersPipelinedRequestsInOrderAndStaysOpenBetween) {
    Receive(kState + "POST /api/stop HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Type: application/json\r\n\r\n");
    const std::string out = TakeOutput();
    EXPECT_EQ(Replies(out), 2);
    EXPECT_LT(out.find("\"version\""), out.find("{\"ok\":true,\"running\":false}"));
    EXPECT_EQ(out.find("Access-Control"), std::string::npos);
    EXPECT_FALSE(c.ShutdownDue());
    Wait(kIdleDropMs - 1);
    EXPECT_FALSE(c.Finished());
    Receive(kState);
    EXPECT_EQ(Replies(TakeOutput()), 1);
    EXPECT_EQ(c.MsToDeadline(now), kIdleDropMs);
    Wait(kIdleDropMs);
    EXPECT_TRUE(c.Finished()) << "an idle client is dropped";
    EXPECT_TRUE(c.Output().empty());
}

TEST_F(Connection, ASlowRequestIsToldAndEndedAfterFiveSecondsOfSilenceOrTenInAll) {
    Receive("GET /api/state HTTP/1.1\r\n");
    Wait(kIdleDropMs - 1);
    EXPECT_TRUE(c.Output().empty());
    Wait(1);
    EXPECT_EQ(c.Output().substr(0, 12), "HTTP/1.1 408");
    TakeOutput();
    ASSERT_TRUE(c.ShutdownDue());
    c.ShutDown(now);
    Receive("Host: x\r\n\r\n");  // drained, never served
    EXPECT_TRUE(c.Output().empty());
    Wait(kDrainMs);
    EXPECT_TRUE(c.Finished());

    ControlConnection drip(routes, "127.0.0.1", true, now);
    const std::string part = "GET /api/state HTTP/1.1\r\nX: ";
    for (uint32_t t = 0; t < kRequestWithinMs; t += 1000, now += 1000) {
        drip.Received(t == 0 ? part.data() : "a", t == 0 ? part.size() : 1, now);
        drip.Tick(now);
        ASSERT_TRUE(drip.Output().empty()) << t;
    }
    drip.Tick(now);
    EXPECT_EQ(drip.Output().substr(0, 12), "HTTP/1.1 408");
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(Connection, AReplyNobodyTakesIsAbandonedAndARefusalEndsTheConnectionAfterItsAnswer) {
    Receive(kState);
    ASSERT_FALSE(c.Output().empty());
    c.Sent(10, now);
    Wait(kReplyWithinMs - 1);
    EXPECT_FALSE(c.Finished());
    Wait(1);
    EXPECT_TRUE(c.Finished());

    ControlConnection bad(routes, "127.0.0.1", true, now);
    const std::string garbage = "\x16\x03\x01 not http\r\n\r\n" + kState;
    bad.Received(garbage.data(), garbage.size(), now);
    EXPECT_EQ(Replies(bad.Output()), 1) << "nothing after a malformed request is served";
    EXPECT_NE(bad.Output().find("Connection: close"), std::string::npos);
    EXPECT_FALSE(bad.ShutdownDue());
    bad.Sent(bad.Output().size(), now);
    EXPECT_TRUE(bad.ShutdownDue());

    ControlConnection busy(routes, "127.0.0.1", true, now);
    busy.RefuseBusy(now);
    EXPECT_EQ(busy.Output().substr(0, 12), "HTTP/1.1 503");
    busy.Received(kState.data(), kState.size(), now);
    EXPECT_EQ(Replies(busy.Output()), 1);
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(Connection, AClientThatAsksForContinueGetsItOnceAndThenItsAnswer) {
    Receive("POST /api/text HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Type: application/json\r\n"
            "Expect: 100-continue\r\nContent-Length: 12\r\n\r\n");
    EXPECT_EQ(TakeOutput(), "HTTP/1.1 100 Continue\r\n\r\n");
    Receive("{\"text\":");
    EXPECT_TRUE(c.Output().empty());
    Receive("\"a\"}");
    EXPECT_EQ(c.Output().substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(engine.lastText, u"a");
}

}  // namespace
