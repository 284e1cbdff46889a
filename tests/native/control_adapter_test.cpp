// The endpoint's engine over the control seam: a source change and a text
// do what the dialog would and are saved with the settings; what the engine
// cannot take changes nothing; the state reports the run on air.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "remote/control_adapter.h"
#include "remote/control_connection.h"
#include "settings/ini_store.h"
#include "test_files.h"

namespace {

struct Adapter : ::testing::Test, EngineFixture {
    ControlAdapter adapter{engine};
    TempDir dir;
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3, 0);
    void Frame() { ProcessFrame(frame.data()); }
    // Settings and lists as a file holds them, then a line running on the strings.
    void RunStrings(const std::string& ini) {
        WriteBytes(dir.File("ticker.ini"), "[PluginSettings]\n" + ini);
        engine.Init(LocationIn(dir.path() + "/", "ticker"));
        Start();
        engine.StartLine();
        for (int i = 0; i < 3; ++i) Frame();
    }
    std::string Saved() {
        engine.Shutdown();
        return ReadBytes(dir.File("ticker.ini"));
    }
    bool Has(const std::string& text, const std::string& line) {
        const size_t at = text.find("\n" + line);
        return at != std::string::npos && text.find_first_of("\r\n", at + 1) == at + 1 + line.size();
    }
};

TEST_F(Adapter, ChangesTheSourceAsTheDialogDoesSavedAndRefusesEntriesThatAreNotThere) {
    RunStrings("Str_000=first\nStr_001=second\nURL_000=http://127.0.0.1/a.xml\nURL_001=http://127.0.0.1/b.xml\n");
    const TickerSettings before = engine.Settings();
    const size_t downloads = services.downloads.size();
    const struct {
        SourceKind kind;
        std::optional<int32_t> index;
    } kRefused[] = {{SourceKind::File, std::nullopt}, {SourceKind::String, 2}, {SourceKind::AllFeeds, 0}};
    for (const auto& r : kRefused) {
        const ChangeOutcome o = adapter.ChangeSource(r.kind, r.index);
        EXPECT_EQ(o.status, 400) << int(r.kind);
        EXPECT_FALSE(o.reason.empty());
    }
    EXPECT_EQ(engine.Settings().StringSource, before.StringSource);
    EXPECT_EQ(engine.Settings().URLIdx, before.URLIdx);
    EXPECT_EQ(services.downloads.size(), downloads);

    const ChangeOutcome feed = adapter.ChangeSource(SourceKind::Feed, 1);
    EXPECT_EQ(feed.status, 200);
    EXPECT_EQ(feed.index, 1);
    ASSERT_EQ(services.downloads.size(), downloads + 1) << "the running line starts again on the new feed";
    EXPECT_EQ(services.downloads.back(), "http://127.0.0.1/b.xml");
    EXPECT_TRUE(services.userRuns.back());
    // No index: the entry already chosen for that kind.
    EXPECT_EQ(adapter.ChangeSource(SourceKind::String, std::nullopt).index, 0);
    EXPECT_EQ(adapter.ChangeSource(SourceKind::Feed, std::nullopt).index, 1);
    // Every feed of the list at once; one feed again when one is chosen.
    const size_t fetched = services.fetches.size();
    EXPECT_EQ(adapter.ChangeSource(SourceKind::AllFeeds, std::nullopt).status, 200);
    EXPECT_EQ(engine.Settings().AllFeeds, 1u);
    ASSERT_GE(services.fetches.size(), fetched + 2);
    EXPECT_TRUE(services.fetches.back().crawl);
    std::string saved = Saved();
    EXPECT_TRUE(Has(saved, "AllFeeds=1")) << saved;
    EXPECT_EQ(adapter.ChangeSource(SourceKind::Feed, 0).status, 200);
    EXPECT_EQ(engine.Settings().AllFeeds, 0u);
    saved = Saved();
    EXPECT_TRUE(Has(saved, "URLIdx=0")) << saved;
    EXPECT_TRUE(Has(saved, "StringSource=2")) << saved;
}

TEST_F(Adapter, PutsATextInTheStringListsCodePageAndOnAirWhereThePassEnds) {
    RunStrings("Str_000=first\nStr_001=second\nStrIdx=1\n");
    EXPECT_EQ(adapter.PutText(u"Погода 🔥").status, 400) << "no emoji in Windows-1251";
    EXPECT_EQ(adapter.PutText(u"caf\u00e9").status, 400);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{"first", "second", ""}));

    const ChangeOutcome put = adapter.PutText(u"H&M \"Срочно\"");
    EXPECT_EQ(put.status, 200);
    EXPECT_EQ(put.index, 1);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{"first", "H&M \"\xD1\xF0\xEE\xF7\xED\xEE\"", ""}));
    const LineStatus on = engine.Status();
    EXPECT_TRUE(on.running);
    EXPECT_EQ(on.source, ContentSource::Strings);
    EXPECT_EQ(on.items, 1);
    EXPECT_EQ(on.onScreen, u"second") << "the text on air runs to its pass's end";
    int frames = 0;
    while (engine.Status().onScreen == u"second" && frames < 2000) Frame(), ++frames;
    EXPECT_EQ(engine.Status().onScreen, u"H&M \"Срочно\"") << "after " << frames << " frames";
    EXPECT_GT(frames, 10);

    // On the trailing empty entry a text adds one, which stays selected.
    engine.Set(&TickerSettings::StrIdx, 2);
    EXPECT_EQ(adapter.PutText(u"third").index, 2);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{"first", "H&M \"\xD1\xF0\xEE\xF7\xED\xEE\"", "third", ""}));
    const std::string saved = Saved();
    EXPECT_TRUE(Has(saved, "Str_002=third")) << saved;
    EXPECT_TRUE(Has(saved, "StrIdx=2")) << saved;
}

TEST_F(Adapter, TheStateNamesTheFeedItsLastResultAndTimeAndNothingOffAir) {
    RunStrings("StringSource=2\nURL_000=http://127.0.0.1/a.xml\n");
    ASSERT_EQ(engine.Status().feeds.size(), 1u);
    EXPECT_EQ(engine.Status().feeds[0].result, "fetching") << "before any result";
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден.")));
    LineStatus s = engine.Status();
    EXPECT_EQ(s.feeds[0].address, "http://127.0.0.1/a.xml");
    EXPECT_EQ(s.feeds[0].result, "failed");
    EXPECT_EQ(s.feeds[0].notice, u"Файл не найден.");
    EXPECT_EQ(s.feeds[0].time, services.now);
    EXPECT_EQ(s.onScreen, u"Файл не найден.") << "a user run shows the notice";
    engine.StopLine();
    s = engine.Status();
    EXPECT_FALSE(s.running);
    EXPECT_EQ(s.items, 0);
    EXPECT_TRUE(s.onScreen.empty());
}

// The seam with only an urgent line's road recorded.
struct UrgentSeam final : TickerControl {
    std::vector<std::pair<std::u16string, int32_t>> offered;
    uint32_t OfferUrgent(const std::u16string& text, int32_t repeat) override {
        offered.emplace_back(text, repeat);
        return 40 + uint32_t(offered.size());
    }
    TickerSettings Settings() override { return TickerSettings(); }
    StringList List(ContentList) override { return StringList(); }
    void DialogPosition(int32_t*, int32_t*) override {}
    void Set(SettingMember, int64_t) override {}
    void SetText(std::string TickerSettings::*, const std::string&) override {}
    void SetFont(const FontSpec&) override {}
    void SetList(ContentList, const StringList&) override {}
    void SetDialogPosition(int32_t, int32_t) override {}
    void NudgeBand(Nudge, int32_t) override {}
    void SnapToCorner(Corner) override {}
    void StartLine() override {}
    void StopLine() override {}
    void ToggleLine() override {}
    bool LineOn() override { return false; }
    void ConnectDialog(UpdateSink*) override {}
    bool DialogOpen() override { return false; }
    uint32_t LastFrameTick() override { return 0; }
    std::u16string LinkAt(int32_t) override { return std::u16string(); }
    LineStatus Status() override { return LineStatus(); }
    void PutString(const std::string&) override {}
};

struct NoLog final : ControlLog {
    void Line(const std::u16string&) override {}
};

// From the bytes on the wire to the seam: the text arrives as sent, by
// either road, with its repeat count.
TEST(UrgentLine, ReachesTheEngineExactlyAsSent) {
    UrgentSeam seam;
    ControlAdapter adapter(seam);
    NoLog log;
    ControlRoutes routes(adapter, log, 8080, "");
    ControlConnection c(routes, "127.0.0.1", true, 0);
    const std::string json = u8"{\"text\":\"H&M \\\"Срочно\\\" 🔥\"}";
    const std::string bytes =
        "POST /api/urgent HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Type: application/json\r\nContent-Length: " +
        std::to_string(json.size()) + "\r\n\r\n" + json +
        "POST /api/urgent?text=H%26M+%22%D0%A1%D1%80%D0%BE%D1%87%D0%BD%D0%BE%22+%F0%9F%94%A5&repeat=3 HTTP/1.1\r\n"
        "Host: 127.0.0.1:8080\r\nContent-Type: application/json\r\n\r\n";
    c.Received(bytes.data(), bytes.size(), 0);
    const std::vector<std::pair<std::u16string, int32_t>> expected = {{u"H&M \"Срочно\" 🔥", 0},
                                                                      {u"H&M \"Срочно\" 🔥", 3}};
    EXPECT_EQ(seam.offered, expected);
    EXPECT_NE(c.Output().find("{\"ok\":true,\"id\":41}"), std::string::npos);
    EXPECT_NE(c.Output().find("{\"ok\":true,\"id\":42}"), std::string::npos);
}

}  // namespace
