// Automatic refreshes: what a failed or unchanged refresh leaves on air, the
// user/timer flag on its way to the downloader, and the downloader's rules
// for secure-connection failures, request headers and validators.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine_fixture.h"
#include "feed/download_rules.h"

namespace {

struct DayFormatter : DateFormatter {
    std::u16string Format(const char*, const CalendarFields&, int32_t) const override { return u"d"; }
};

struct Refresh : ::testing::Test, EngineFixture {
    Refresh() {
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
        engine.Set(&TickerSettings::Date, 0);
        engine.Set(&TickerSettings::Time, 0);
        engine.SetList(ContentList::Urls, {"https://127.0.0.1/feed.xml", ""});
        Start();
    }
    RuntimeTimeZone zone;
    DayFormatter formatter;
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3);
    bool Publish(const FeedResult& r) { return Answer(r); }
    // A run of the refresh timer, as a frame starts it once the deadline has passed.
    void TimerRun() {
        const int32_t minutes = S().AutoUpdate;
        if (minutes == 0) engine.Set(&TickerSettings::AutoUpdate, 1);
        engine.StopLine();
        services.now += 60 * (minutes ? minutes : 1);
        const size_t before = services.downloads.size();
        ProcessFrame(frame.data());
        ASSERT_EQ(services.downloads.size(), before + 1);
        ASSERT_FALSE(services.userRuns.back());
        if (minutes == 0) engine.Set(&TickerSettings::AutoUpdate, 0);
    }
};

TEST_F(Refresh, ATimerRunThatFailsOrFindsNothingNewKeepsTheNewsOnAirAUserRunOrAnEmptyBandShowsWhy) {
    const struct {
        FeedResult result;
        const char16_t* notice;  // what a user run shows
    } kinds[] = {{FeedResult::Failure(u"Ошибка сертификата сервера"), u"Ошибка сертификата сервера"},
                 {FeedResult::Failure(kNoticeBadFeed), u"Ошибка на странице RSS-ленты"},
                 {FeedResult::Failure(kNoticeNoMsxml), u"Библиотека MSXML не найдена"},
                 {FeedResult::Unchanged(), u"Нет новых сообщений"},
                 {FeedResult::Read({}, zone, formatter), u"Нет новых сообщений"}};  // a feed without items: the reference
    const std::vector<std::u16string> news = {u"Старая новость  "};
    for (const auto& k : kinds) {
        for (bool userRun : {true, false}) {
            for (bool newsOnAir : {true, false}) {
                for (int32_t repeat : {0, 2}) {
                    SCOPED_TRACE(testing::Message() << "kind " << k.result.kind << (userRun ? ", user run" : ", timer run")
                                                    << (newsOnAir ? ", news on air" : ", empty list") << ", Repeat "
                                                    << repeat);
                    engine.Set(&TickerSettings::Repeat, 0);
                    engine.StartLine();
                    if (newsOnAir) {
                        ASSERT_TRUE(Publish(FeedResult::Read({{u"", u"Старая новость", u""}}, zone, formatter)));
                    } else {
                        // The feed chosen again on a running line: it starts empty.
                        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
                    }
                    engine.Set(&TickerSettings::LastUpdate, 77);
                    engine.Set(&TickerSettings::Repeat, repeat);
                    if (userRun) engine.StartLine();
                    else TimerRun();
                    ASSERT_TRUE(Publish(k.result));
                    EXPECT_EQ(S().LastUpdate, 77u);
                    // A failure with nothing on air yet is told even on a timer run:
                    // there is no news for it to replace.
                    const bool failure = k.result.kind == FeedResult::Failed;
                    if (userRun || (failure && !newsOnAir)) {
                        EXPECT_EQ(Shown(), std::vector<std::u16string>{k.notice});
                        EXPECT_EQ(S().LineOn, 1u);
                    } else if (newsOnAir && repeat == 0) {
                        EXPECT_EQ(Shown(), news);  // the previous messages run once more
                        EXPECT_EQ(S().LineOn, 1u);
                        EXPECT_TRUE(Now().contentReady);
                        EXPECT_EQ(Runs().size(), 1u);
                    } else {
                        EXPECT_EQ(S().LineOn, 0u);  // the run ends; no notice replaced anything
                        EXPECT_EQ(Shown(), newsOnAir ? news : std::vector<std::u16string>{});
                    }
                }
            }
        }
    }
}

TEST_F(Refresh, TheDownloaderHearsWhoStartedTheRun) {
    engine.StartLine();  // hot key, dialog
    TimerRun();
    // The deadline passes while the news is on air: the next frame starts a
    // refresh that downloads while the pass goes on.
    engine.Set(&TickerSettings::AutoUpdate, 1);
    engine.Set(&TickerSettings::Speed, 50);
    ASSERT_TRUE(Publish(FeedResult::Read({{u"", u"news", u""}}, zone, formatter)));
    services.now += 61;
    for (int i = 0; i < 500 && services.downloads.size() < 3; ++i) ProcessFrame(frame.data());
    Start();  // with AutoUpdate set: a timer run too
    EXPECT_EQ(services.userRuns, (std::vector<bool>{true, false, false, false}));
}

// A running line's refresh (Repeat 0): the download runs while the pass goes
// on, and the band is drawn in every frame across it.
struct RefreshAhead : Refresh {
    int framesWithoutBand = 0;
    RefreshAhead() {
        engine.Set(&TickerSettings::Speed, 50);
        engine.Set(&TickerSettings::AutoUpdate, 1);
        services.now = 1320710400;  // 2011-11-08, after the items' dates
        Start();  // an automatic run: the first download
        EXPECT_TRUE(Publish(News(u"Старая новость", "Sun, 06 Nov 2011 09:00:00 GMT")));
    }
    FeedResult News(const char16_t* title, const char* date) {
        std::u16string d(date, date + std::strlen(date));
        return FeedResult::Read({{d, title, u""}}, zone, formatter);
    }
    // One frame; true when it began a pass (its first message at the right edge).
    bool Frame() {
        std::fill(frame.begin(), frame.end(), uint8_t(0));
        ProcessFrame(frame.data());
        framesWithoutBand += std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
        const auto runs = Runs();
        return runs.size() == 1 && runs[0].x == 768;
    }
    int FramesToPassStart() {
        int n = 1;
        while (!Frame() && n < 1000) ++n;
        return n;
    }
    void StartRefresh() {
        const size_t before = services.downloads.size();
        services.now += 61;
        Frame();
        ASSERT_EQ(services.downloads.size(), before + 1);
    }
};

TEST_F(RefreshAhead, TheNewListWaitsForThePassToEndThenTakesOverAsTheNextPassWould) {
    const size_t downloads = services.downloads.size();
    services.callsUnderLock = 0;
    StartRefresh();
    EXPECT_EQ(services.userRuns.back(), false) << "asked only if changed";
    FramesToPassStart();  // a slow server: the pass runs again meanwhile
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Старая новость  "});
    const uint64_t lastUpdate = S().LastUpdate;

    ASSERT_TRUE(Publish(News(u"Свежая новость", "Mon, 07 Nov 2011 09:00:00 GMT")));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Старая новость  "}) << "the pass on air is not cut";
    EXPECT_EQ(S().LastUpdate, lastUpdate);
    services.now += 61;  // a refresh falls due while the list waits: it waits too
    for (int i = 0; i < 5 && Runs().empty(); ++i) Frame();
    const int32_t x = Runs()[0].x;
    EXPECT_EQ(services.downloads.size(), downloads + 1);
    Frame();
    EXPECT_EQ(Runs()[0].x, x - 100) << "the old pass goes on";

    FramesToPassStart();
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Свежая новость  "});
    EXPECT_EQ(S().LastUpdate, StampFromFields({2011, 11, 7, 9, 0, 0}));
    Frame();  // the refresh that waited starts now
    EXPECT_EQ(services.downloads.size(), downloads + 2);
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_EQ(framesWithoutBand, 0);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(RefreshAhead, NothingNewOrAFailureLetsThePassRunAgainAndAUserRunStillShowsWhy) {
    const FeedResult results[] = {FeedResult::Unchanged(), FeedResult::Failure(kNoticeBadFeed),
                                  FeedResult::Read({}, zone, formatter)};
    for (const FeedResult& r : results) {
        SCOPED_TRACE(r.kind);
        StartRefresh();
        ASSERT_TRUE(Publish(r));
        FramesToPassStart();
        EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Старая новость  "});
        EXPECT_EQ(S().LineOn, 1u);
    }
    EXPECT_EQ(framesWithoutBand, 0);
    // The user starts a run while a refresh is under way: what the refresh
    // brings belongs to the run before, and what comes next is the user's.
    StartRefresh();
    const FeedFetch refresh = services.fetches.back();
    engine.StartLine();
    Bulletin late;
    ASSERT_TRUE(BulletinOfFeed(News(u"Поздняя", "Mon, 07 Nov 2011 09:00:00 GMT"), refresh.feed, refresh.run,
                               StopSignal::Never(), late));
    EXPECT_TRUE(engine.Desk().Offer(late, StopSignal::Never()));
    EXPECT_FALSE(Now().contentReady);
    ASSERT_TRUE(Publish(FeedResult::Failure(kNoticeBadFeed)));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Ошибка на странице RSS-ленты"});
}

TEST_F(RefreshAhead, CountedRunsAndAnOpenDialogRefreshAsBefore) {
    OpenDialog(true);  // no refresh while the dialog is open: the passes repeat
    services.now += 61;
    const size_t downloads = services.downloads.size();
    for (int pass = 0; pass < 3; ++pass) FramesToPassStart();
    EXPECT_EQ(services.downloads.size(), downloads);
    OpenDialog(false);
    Frame();
    EXPECT_EQ(services.downloads.size(), downloads + 1);
    EXPECT_EQ(S().LineOn, 1u);
    ASSERT_TRUE(Publish(FeedResult::Unchanged()));

    // A counted run is not refreshed while it runs: it ends after its
    // passes, and the refresh begins a new run with nothing on the band
    // until its content is ready.
    engine.Set(&TickerSettings::Repeat, 2);
    TimerRun();
    ASSERT_TRUE(Publish(News(u"Старая новость", "Sun, 06 Nov 2011 09:00:00 GMT")));
    services.now += 61;
    int passes = 1;
    while (services.downloads.size() == downloads + 2 && passes < 10) passes += Frame();
    EXPECT_EQ(passes, 2) << "the refresh waited for the counted passes";
    // The frame that ended the run began the refresh's.
    EXPECT_EQ(services.downloads.size(), downloads + 3);
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_FALSE(Now().contentReady);
}

TEST(OpenFailures, CertificateProblemsAreToldApartFromOtherFailures) {
    const struct {
        uint32_t error;
        OpenFailure failure;
        const char* line;
    } cases[] = {
        {12057, OpenFailure::CertificateUntrusted, "Open URL ERROR: Server certificate is not trusted."},
        {12045, OpenFailure::CertificateUntrusted, "Open URL ERROR: Server certificate is not trusted."},
        {12169, OpenFailure::CertificateUntrusted, "Open URL ERROR: Server certificate is not trusted."},
        {12170, OpenFailure::CertificateUntrusted, "Open URL ERROR: Server certificate is not trusted."},
        {12037, OpenFailure::CertificateExpired, "Open URL ERROR: Server certificate has expired."},
        {12038, OpenFailure::CertificateWrongHost, "Open URL ERROR: Server certificate does not match the host name."},
        {12157, OpenFailure::SecureChannel, "Open URL ERROR: Secure connection failed."},
        {12044, OpenFailure::SecureChannel, "Open URL ERROR: Secure connection failed."},
        {12029, OpenFailure::Other, nullptr},  // cannot connect
        {12002, OpenFailure::Other, nullptr},  // timeout
        {kDecodingFailed, OpenFailure::Other, nullptr},
        {0, OpenFailure::Other, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(ClassifyOpenFailure(c.error), c.failure);
        const char* line = OpenFailureLogLine(c.failure);
        EXPECT_EQ(line ? std::string(line) : std::string("(none)"), c.line ? std::string(c.line) : std::string("(none)"));
        EXPECT_EQ(IsCertificateProblem(c.failure), c.failure == OpenFailure::CertificateUntrusted ||
                                                       c.failure == OpenFailure::CertificateExpired ||
                                                       c.failure == OpenFailure::CertificateWrongHost);
    }
}

TEST(ReadBlockTest, ASteadyServerIsNeverAskedForMoreThanItSendsWithinTheStallLimit) {
    for (uint32_t stall : {1500u, 30000u}) {
        for (double rate : {100.0, 2000.0, 50000.0, 1e8}) {  // bytes a second
            SCOPED_TRACE(testing::Message() << "stall " << stall << " ms, " << rate << " B/s");
            ReadBlock block(stall);
            if (block.Size() / rate * 1000 >= stall) continue;  // not even the first block fits
            uint32_t largest = 0;
            for (int read = 0; read < 200; ++read) {
                const double ms = block.Size() / rate * 1000;
                ASSERT_LT(ms, stall) << "read " << read << " asks for " << block.Size() << " bytes";
                largest = std::max(largest, block.Size());
                block.Took(uint32_t(ms), true);
            }
            if (rate >= 1e8) {
                EXPECT_EQ(largest, ReadBlock::kLargest);
            }
        }
    }
}

TEST(ReadBlockTest, GrowsWhenQuickShrinksWhenSlowAndTheEndSaysNothing) {
    ReadBlock block(30000);
    const uint32_t first = block.Size();
    block.Took(5000, false);  // the body's end, however long it took
    EXPECT_EQ(block.Size(), first);
    int reads = 0;
    while (block.Size() < ReadBlock::kLargest && reads < 100) block.Took(10, true), ++reads;
    EXPECT_LE(reads, 8) << "a fast server reaches whole blocks within a few reads";
    block.Took(10, true);
    EXPECT_EQ(block.Size(), ReadBlock::kLargest);
    block.Took(4000, true);  // neither quick nor slow
    EXPECT_EQ(block.Size(), ReadBlock::kLargest);
    block.Took(8000, true);
    EXPECT_EQ(block.Size(), ReadBlock::kLargest / 2);
    for (int i = 0; i < 20; ++i) block.Took(29000, true);
    EXPECT_EQ(block.Size(), ReadBlock::kSmallest);
}

TEST(RequestHeadersTest, CompressionAlwaysValidatorsOnlyWhenSafe) {
    bool conditional = true;
    EXPECT_EQ(RequestHeaders(true, nullptr, &conditional), "Accept-Encoding: gzip, deflate\r\n");
    EXPECT_FALSE(conditional);
    EXPECT_EQ(RequestHeaders(false, nullptr, &conditional), "");
    const Validators both{"\"abc\"", "Mon, 07 Nov 2011 12:00:00 GMT"};
    EXPECT_EQ(RequestHeaders(true, &both, &conditional),
              "Accept-Encoding: gzip, deflate\r\nIf-None-Match: \"abc\"\r\n"
              "If-Modified-Since: Mon, 07 Nov 2011 12:00:00 GMT\r\n");
    EXPECT_TRUE(conditional);
    // What a hostile server sent must not become headers of its own.
    const Validators injected{"\"a\"\r\nCookie: x=1", std::string("Mon\n, 07") + "\r\nX: y"};
    EXPECT_EQ(RequestHeaders(false, &injected, &conditional), "");
    EXPECT_FALSE(conditional);
    const Validators partly{std::string(2000, 'e'), "Mon, 07 Nov 2011 12:00:00 GMT"};
    EXPECT_EQ(RequestHeaders(false, &partly, &conditional), "If-Modified-Since: Mon, 07 Nov 2011 12:00:00 GMT\r\n");
    EXPECT_TRUE(conditional);
    const Validators nul{std::string("\"a\0b\"", 5), ""};
    EXPECT_EQ(RequestHeaders(false, &nul, &conditional), "");
}

TEST(ValidatorMemoryTest, OnlyTheLastGoodDownloadOfTheSameAddressAndOnlyForTimerRuns) {
    using O = ValidatorMemory::Outcome;
    const std::string a = "http://127.0.0.1/a", b = "https://127.0.0.1/b";
    const Validators va{"\"1\"", "Mon, 07 Nov 2011 12:00:00 GMT"}, vb{"\"2\"", ""};
    const struct {
        const char* name;
        std::vector<std::pair<std::string, O>> history;  // downloads as they ended
        std::string url;
        bool userRun;
        const char* etag;  // what the next request sends; null for nothing
    } cases[] = {
        {"nothing downloaded yet", {}, a, false, nullptr},
        {"a timer run after a good download", {{a, O::Good}}, a, false, "\"1\""},
        {"a user run never asks conditionally", {{a, O::Good}}, a, true, nullptr},
        {"another address", {{a, O::Good}}, b, false, nullptr},
        {"a failure in between forgets", {{a, O::Good}, {a, O::Failed}}, a, false, nullptr},
        {"unchanged keeps them", {{a, O::Good}, {a, O::NotModified}, {a, O::NotModified}}, a, false, "\"1\""},
        {"another address in between", {{a, O::Good}, {b, O::Good}}, a, false, nullptr},
        {"the other address's own", {{a, O::Good}, {b, O::Good}}, b, false, "\"2\""},
        {"a failed other address in between", {{a, O::Good}, {b, O::Failed}}, a, false, nullptr},
        {"a new good download replaces", {{b, O::Good}, {a, O::Good}}, a, false, "\"1\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ValidatorMemory memory;
        for (const auto& d : c.history) {
            RefreshValidators kept;
            kept.own = d.first == a ? va : vb;
            memory.Finished(d.first, d.second, kept);
        }
        const RefreshValidators* v = memory.ForRequest(c.url, c.userRun);
        ASSERT_EQ(v != nullptr, c.etag != nullptr);
        if (v) {
            EXPECT_EQ(v->own.etag, c.etag);
        }
    }
    ValidatorMemory memory;
    memory.Finished(a, O::Good, RefreshValidators());  // a server that sends no validators
    EXPECT_EQ(memory.ForRequest(a, false), nullptr);
    RefreshValidators feedOnly;  // a page without validators whose feed has them
    feedOnly.feed = b;
    feedOnly.feedOwn = vb;
    memory.Finished(a, O::Good, feedOnly);
    ASSERT_NE(memory.ForRequest(a, false), nullptr);
    EXPECT_EQ(memory.ForRequest(a, false)->feed, b);
}

// A refresh through a site's page: the page asked with its own validators;
// found unchanged, the feed it named before is asked with the feed's own.
TEST(ConditionalHopsTest, EachAddressAsksWithItsOwnAndAnUnchangedPageStillLeadsToItsFeed) {
    const std::string f = "http://127.0.0.1/feed.xml", g = "http://127.0.0.1/other.xml";
    const Validators page{"\"p1\"", ""}, feed{"\"f1\"", "Mon, 07 Nov 2011 12:00:00 GMT"}, changedPage{"\"p2\"", ""},
        newFeed{"\"f2\"", ""};
    ConditionalHops first(nullptr);  // a run the user started: everything in full
    EXPECT_EQ(first.First(), nullptr);
    first.FirstAnswered(false, page);
    EXPECT_EQ(first.Feed(f), nullptr);
    first.FeedAnswered(f, false, feed);
    const RefreshValidators kept = first.Kept();
    EXPECT_EQ(kept.own.etag, "\"p1\"");
    EXPECT_EQ(kept.feed, f);
    EXPECT_EQ(kept.feedOwn.lastModified, feed.lastModified);

    ConditionalHops unchangedPage(&kept);  // the page 304, its feed changed
    ASSERT_NE(unchangedPage.First(), nullptr);
    EXPECT_EQ(unchangedPage.First()->etag, "\"p1\"");
    unchangedPage.FirstAnswered(true, Validators());
    EXPECT_EQ(unchangedPage.FeedOfUnchangedPage(), f);
    ASSERT_NE(unchangedPage.Feed(f), nullptr);
    EXPECT_EQ(unchangedPage.Feed(f)->etag, "\"f1\"");
    unchangedPage.FeedAnswered(f, false, newFeed);
    EXPECT_EQ(unchangedPage.Kept().own.etag, "\"p1\"");
    EXPECT_EQ(unchangedPage.Kept().feedOwn.etag, "\"f2\"");

    ConditionalHops newPage(&kept);  // a new page: the same feed asked conditionally, another in full
    newPage.FirstAnswered(false, changedPage);
    EXPECT_EQ(newPage.Feed(g), nullptr);
    ASSERT_NE(newPage.Feed(f), nullptr);
    newPage.FeedAnswered(f, true, Validators());
    EXPECT_EQ(newPage.Kept().own.etag, "\"p2\"");
    EXPECT_EQ(newPage.Kept().feedOwn.etag, "\"f1\"");

    RefreshValidators direct;  // the address is the feed: a 304 leads nowhere
    direct.own = feed;
    ConditionalHops feedItself(&direct);
    feedItself.FirstAnswered(true, Validators());
    EXPECT_EQ(feedItself.FeedOfUnchangedPage(), "");
    EXPECT_EQ(feedItself.Kept().own.etag, "\"f1\"");
    EXPECT_EQ(feedItself.Kept().feed, "");
}

}  // namespace
