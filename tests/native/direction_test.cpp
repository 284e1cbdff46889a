// A line that moves to the right: where messages enter and leave, the gap,
// passes, urgent lines, turning round on air, links and strips.
#include <gtest/gtest.h>

#include "feed_fixtures.h"
#include "line_fixture.h"

namespace {

struct Rightward : ::testing::Test, LineFixture {
    // The indexes of the runs, leftmost first.
    std::vector<int32_t> Indexes() {
        std::vector<int32_t> out;
        for (const auto& r : Runs()) out.push_back(r.index);
        return out;
    }
};

TEST_F(Rightward, MessagesEnterAtTheLeftEdgeMoveRightByTheSpeedPerFieldAndKeepTheGapAcrossPasses) {
    UseFile("first\r\nsecond\r\nthird\r\n");
    engine.Set(&TickerSettings::Repeat, 2);
    engine.Set(&TickerSettings::Speed, 3);
    engine.Set(&TickerSettings::Direction, 1);
    Start();
    engine.StartLine();
    ASSERT_EQ(Runs().size(), 1u);
    const int32_t firstWidth = Runs()[0].width;
    EXPECT_EQ(Xs(), std::vector<int32_t>{-firstWidth}) << "its right edge at the band's left edge";
    Frame();  // two fields
    EXPECT_EQ(Xs(), std::vector<int32_t>{-firstWidth + 6});
    engine.Set(&TickerSettings::Interlace, 0);
    Frame();  // one frame of twice the speed
    EXPECT_EQ(Xs(), std::vector<int32_t>{-firstWidth + 12});

    const int32_t gap = Metrics().gapWidth;
    std::vector<int32_t> order = {0};
    std::vector<size_t> bandAtEntry = {1};
    for (int i = 0; i < 5000 && S().LineOn; ++i) {
        const auto before = Runs();
        Frame();
        const auto now = Runs();
        for (size_t k = 1; k < now.size(); ++k)
            ASSERT_GE(now[k].x - (now[k - 1].x + now[k - 1].width), gap) << "runs closer than the gap";
        if (now.empty() || now[0].x != -now[0].width) continue;
        // One entered: the run it follows had just passed the gap, not before.
        order.push_back(now[0].index);
        bandAtEntry.push_back(now.size());
        if (now.size() > 1) {
            EXPECT_GT(now[1].x, gap);
            EXPECT_LE(before[0].x, gap);
        }
        for (const auto& r : now) EXPECT_LT(r.x, 768) << "a run that has left stays on the band";
    }
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(bandAtEntry[3], 1u) << "the next pass starts on an empty band";
}

TEST_F(Rightward, TurningOnAirMirrorsTheRunsKeepsTheirGapsAndLosesNone) {
    UseFile("one\ntwo\nthree\nfour\nfive\n");
    engine.Set(&TickerSettings::Speed, 20);
    Start();
    engine.StartLine();
    for (int i = 0; i < 100 && Runs().size() < 3; ++i) Frame();
    ASSERT_EQ(Indexes(), (std::vector<int32_t>{0, 1, 2}));
    const auto left = Runs();

    engine.Set(&TickerSettings::Direction, 1);
    Frame();
    // Each run at its mirror place, moved on by the frame; the first to
    // leave is now on the right, and the next follows on the left.
    ASSERT_EQ(Indexes(), (std::vector<int32_t>{2, 1, 0}));
    const auto right = Runs();
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(right[2 - k].x, 768 - left[k].x - left[k].width + 40) << "run " << k;
    std::vector<int32_t> entered;
    for (int i = 0; i < 400 && entered.size() < 3; ++i) {
        Frame();
        if (Runs()[0].x == -Runs()[0].width) entered.push_back(Runs()[0].index);
    }
    EXPECT_EQ(entered, (std::vector<int32_t>{3, 4, 0}));

    // And back: the band shows the same runs in the other order again.
    const auto before = Runs();
    engine.Set(&TickerSettings::Direction, 0);
    Frame();
    ASSERT_EQ(Runs().size(), before.size());
    for (size_t k = 0; k < before.size(); ++k) EXPECT_EQ(Runs()[before.size() - 1 - k].index, before[k].index);
}

TEST_F(Rightward, AFontChangeKeepsTheFirstRunsRightEdgeAndLaysTheOthersOnItsLeft) {
    UseFile("one\ntwo\nthree\n");
    engine.Set(&TickerSettings::Speed, 40);
    engine.Set(&TickerSettings::Direction, 1);
    Start();
    engine.StartLine();
    for (int i = 0; i < 60 && Runs().size() < 3; ++i) Frame();
    ASSERT_EQ(Indexes(), (std::vector<int32_t>{2, 1, 0}));
    const int32_t rightEdge = Runs()[2].x + Runs()[2].width;
    FontSpec font = FontSpecFrom(engine.Settings());
    font.height = -50;
    engine.SetFont(font);
    const auto runs = Runs();
    EXPECT_EQ(runs[2].x + runs[2].width, rightEdge);
    for (size_t k = 0; k < 2; ++k) EXPECT_EQ(runs[k].x + runs[k].width + Metrics().gapWidth, runs[k + 1].x);
    EXPECT_EQ(runs[0].width, renderer.MeasureWide(WideString(u"three")).cx);
}

TEST_F(Rightward, AnUrgentLineEntersAtTheNextGapOnTheLeftAndTheCrawlGoesOnWhereItWas) {
    UseFile("a\nb\nc\n");
    engine.Set(&TickerSettings::Speed, 20);
    engine.Set(&TickerSettings::Direction, 1);
    Start();
    engine.StartLine();
    ASSERT_NE(engine.OfferUrgent(u"Срочно", 2), 0u);
    std::vector<std::u16string> entered;
    for (int i = 0; i < 600 && entered.size() < 4; ++i) {
        Frame();
        // A run stands with its right edge at the left edge only in the frame it enters.
        const auto now = Runs();
        if (!now.empty() && now[0].x == -now[0].width) entered.push_back(now[0].text);
    }
    EXPECT_EQ(entered, (std::vector<std::u16string>{u"Срочно", u"Срочно", u"b", u"c"}));
}

// A band of several runs in the other direction comes from the strip cache
// like any other: once their strips are drawn, frames draw no text.
TEST_F(Rightward, SteadyFramesComposeFromStripsWithoutDrawingText) {
    UseFile("alpha\nbeta\ngamma\ndelta\n");
    engine.Set(&TickerSettings::Speed, 6);
    engine.Set(&TickerSettings::Direction, 1);
    Start();
    engine.StartLine();
    for (int i = 0; i < 400 && Runs().size() < 3; ++i) Frame();
    ASSERT_GE(Runs().size(), 3u);
    Frame();
    renderer.texts = 0;
    const size_t count = Runs().size();
    int frames = 0;
    for (; frames < 5 && Runs().size() == count && Runs()[0].x != -Runs()[0].width; ++frames) Frame();
    ASSERT_GT(frames, 0);
    EXPECT_EQ(renderer.texts, 0);
}

struct RightwardFeed : ::testing::Test, EngineFixture {
    Zone zone{"UTC"};
    RuntimeTimeZone runtimeZone;
    PlainFormatter formatter;
};

TEST_F(RightwardFeed, ADoubleClickOpensTheLinkOfTheRunUnderIt) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.Set(&TickerSettings::Date, 0);
    engine.Set(&TickerSettings::Time, 0);
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/f", ""});
    engine.Set(&TickerSettings::LinePosX, 400);
    engine.Set(&TickerSettings::LineSize, 600);  // the band's left edge at 100
    engine.Set(&TickerSettings::Speed, 8);
    engine.Set(&TickerSettings::Direction, 1);
    Start();
    engine.StartLine();
    ASSERT_TRUE(Answer(FeedResult::Read({{u"07 Nov 2011 11:00:00 GMT", u"new", u"", u"http://127.0.0.1/1"},
                                         {u"07 Nov 2011 10:00:00 GMT", u"old", u"", u"http://127.0.0.1/2"}},
                                        runtimeZone, formatter)));
    std::vector<uint8_t> frame(768 * 576 * 3);
    std::vector<AirView::RunView> runs;
    for (int i = 0; i < 400; ++i) {
        ProcessFrame(frame.data());
        runs = Runs();
        if (runs.size() == 2 && runs[0].x > 0) break;
    }
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].index, 1) << "the older item entered second, on the left";
    const char16_t* opens[] = {u"http://127.0.0.1/1", u"http://127.0.0.1/2"};
    for (const auto& r : runs) {
        const int32_t left = 100 + r.x, right = std::min(left + r.width, 700);
        SCOPED_TRACE(r.index);
        EXPECT_EQ(engine.LinkAt(left), opens[r.index]);
        EXPECT_EQ(engine.LinkAt(right - 1), opens[r.index]);
        EXPECT_EQ(engine.LinkAt(left - 1), u"") << "the gap before it";
    }
}

}  // namespace
