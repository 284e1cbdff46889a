// The endpoint's request reader: the same request however its bytes are
// cut, the two limits, and the malformed heads it refuses.
#include <gtest/gtest.h>

#include "remote/http_request.h"

namespace {

using State = HttpRequestReader::State;

const std::string kPost =
    "POST /api/text?x=1 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Type: application/json\r\n"
    "X-Blank:   padded  \r\nContent-Length: 22\r\n\r\n{\"text\":\"H&M \\\"x\\\"\"}\r\n";

State FeedAll(HttpRequestReader& r, const std::string& bytes) { return r.Feed(bytes.data(), bytes.size()); }

TEST(HttpRequestReader, ReadsTheSameRequestWhereverItsBytesAreCutAndKeepsWhatFollows) {
    const std::string next = "GET /api/state HTTP/1.1\nHost: localhost:8080\n\n";
    for (size_t cut = 0; cut <= kPost.size(); ++cut) {
        SCOPED_TRACE(cut);
        HttpRequestReader r;
        r.Feed(kPost.data(), cut);
        ASSERT_EQ(r.Feed(kPost.data() + cut, kPost.size() - cut), State::Complete);
        const HttpRequest& q = r.Request();
        EXPECT_EQ(q.method, "POST");
        EXPECT_EQ(q.path, "/api/text");
        EXPECT_EQ(q.query, "x=1");
        EXPECT_EQ(q.body, "{\"text\":\"H&M \\\"x\\\"\"}\r\n");
        ASSERT_NE(q.Header("x-blank"), nullptr);
        EXPECT_EQ(*q.Header("x-blank"), "padded");
        EXPECT_TRUE(q.KeepAlive());
        EXPECT_FALSE(r.Partial());
    }
    // Two requests in one read: the second is read at Next (bare LF line ends too).
    HttpRequestReader r;
    ASSERT_EQ(FeedAll(r, kPost + next), State::Complete);
    ASSERT_EQ(r.Next(), State::Complete);
    EXPECT_EQ(r.Request().path, "/api/state");
    EXPECT_EQ(r.Next(), State::NeedMore);
    EXPECT_FALSE(r.Partial());
}

TEST(HttpRequestReader, RefusesHeadsOver16KbWith431AndBodiesOver64KbWith413BeforeReadingThem) {
    const std::string head = "POST /api/text HTTP/1.1\r\nHost: 127.0.0.1:1\r\n";
    {
        HttpRequestReader r;  // no end of the head in sight, fed a line at a time
        FeedAll(r, head);
        State s = State::NeedMore;
        for (int i = 0; i < 400 && s == State::NeedMore; ++i) s = FeedAll(r, "X-Pad: " + std::string(40, 'a') + "\r\n");
        EXPECT_EQ(s, State::Refused);
        EXPECT_EQ(r.RefusalStatus(), 431);
    }
    {
        HttpRequestReader r;  // a head that ends, but past the limit
        EXPECT_EQ(FeedAll(r, head + "X-Pad: " + std::string(kMaxHeaderBytes, 'a') + "\r\n\r\n"), State::Refused);
        EXPECT_EQ(r.RefusalStatus(), 431);
    }
    {
        HttpRequestReader r;
        EXPECT_EQ(FeedAll(r, head + "Content-Length: 65537\r\n\r\n"), State::Refused);
        EXPECT_EQ(r.RefusalStatus(), 413);
        HttpRequestReader huge;
        EXPECT_EQ(FeedAll(huge, head + "Content-Length: 99999999999999999999999\r\n\r\n"), State::Refused);
        EXPECT_EQ(huge.RefusalStatus(), 413);
    }
    HttpRequestReader r;  // 64 KB itself is taken
    EXPECT_EQ(FeedAll(r, head + "Content-Length: 65536\r\n\r\n" + std::string(kMaxBodyBytes, 'b')), State::Complete);
    EXPECT_EQ(r.Request().body.size(), kMaxBodyBytes);
}

TEST(HttpRequestReader, RefusesWhatCouldBeReadTwoWaysOrIsNotHttp11InOriginForm) {
    const std::string host = "Host: 127.0.0.1:1\r\n";
    const char* const kBad[] = {
        "GET /api/state HTTP/1.1\r\n\r\n",                                    // no Host
        "GET /api/state HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n",              // two
        "GET http://127.0.0.1:1/api/state HTTP/1.1\r\nHost: a\r\n\r\n",      // absolute form
        "GET /api/state HTTP/2.0\r\nHost: a\r\n\r\n",
        "GET /api/state\r\nHost: a\r\n\r\n",
        "GET  /api/state HTTP/1.1\r\nHost: a\r\n\r\n",
        "G(T /api/state HTTP/1.1\r\nHost: a\r\n\r\n",
        "GET /api/st\x01te HTTP/1.1\r\nHost: a\r\n\r\n",
        "GET /api/state#x HTTP/1.1\r\nHost: a\r\n\r\n",
        "GET /api/state HTTP/1.1\r\nHost: a\r\nX: 1\r2\r\n\r\n",             // bare CR
        "GET /api/state HTTP/1.1\r\nHost: a\r\nX: 1\r\n folded\r\n\r\n",
        "GET /api/state HTTP/1.1\r\nHost : a\r\n\r\n",                        // blank before the colon
        "GET /api/state HTTP/1.1\r\nHost: a\r\nNo colon\r\n\r\n",
        "POST /api/text HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nab",
        "POST /api/text HTTP/1.1\r\nHost: a\r\nContent-Length: -2\r\n\r\nab",
        "POST /api/text HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
        "POST /api/text HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\nab",
    };
    for (const char* bad : kBad) {
        SCOPED_TRACE(bad);
        HttpRequestReader r;
        std::string bytes(bad);
        EXPECT_EQ(FeedAll(r, bytes), State::Refused);
        EXPECT_EQ(r.RefusalStatus(), 400);
        EXPECT_EQ(r.Feed("GET / HTTP/1.1\r\n", 16), State::Refused) << "nothing more is read";
    }
    std::string nul = "GET /api/state HTTP/1.1\r\n" + host + "X: a";
    nul += '\0';
    nul += "b\r\n\r\n";
    HttpRequestReader r;
    EXPECT_EQ(FeedAll(r, nul), State::Refused);
}

TEST(HttpRequestReader, KeepsTheConnectionAsTheVersionAndConnectionHeaderSay) {
    const struct {
        const char* head;
        bool keepAlive;
    } kCases[] = {
        {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", true},
        {"GET / HTTP/1.1\r\nHost: a\r\nConnection: Close\r\n\r\n", false},
        {"GET / HTTP/1.0\r\n\r\n", false},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", true},
    };
    for (const auto& c : kCases) {
        HttpRequestReader k;
        ASSERT_EQ(FeedAll(k, c.head), State::Complete) << c.head;
        EXPECT_EQ(k.Request().KeepAlive(), c.keepAlive) << c.head;
    }
}

}  // namespace
