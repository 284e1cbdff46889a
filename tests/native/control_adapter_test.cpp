// The endpoint's engine over the control seam: a source change and a text
// do what the dialog would and are saved with the settings; what the engine
// cannot take changes nothing; the state reports the run on air.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "remote/control_adapter.h"
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
    } kRefused[] = {{SourceKind::File, std::nullopt}, {SourceKind::String, 2}, {SourceKind::Feed, -1},
                    {SourceKind::Feed, 2},           {SourceKind::AllFeeds, std::nullopt}, {SourceKind::AllFeeds, 0}};
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
    const std::string saved = Saved();
    EXPECT_TRUE(Has(saved, "URLIdx=1")) << saved;
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
    LineStatus s = engine.Status();
    EXPECT_TRUE(s.running);
    EXPECT_TRUE(s.onScreen.empty());
    ASSERT_EQ(s.feeds.size(), 1u);
    EXPECT_EQ(s.feeds[0].address, "http://127.0.0.1/a.xml");
    EXPECT_EQ(s.feeds[0].result, "");
    engine.OnFeed(FeedResult::Failure(u"Файл не найден."), StopSignal::Never());
    s = engine.Status();
    EXPECT_EQ(s.feeds[0].result, "failed: \xD4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED.");
    EXPECT_EQ(s.feeds[0].time, services.now);
    EXPECT_EQ(s.onScreen, u"Файл не найден.") << "a user run shows the notice";
    engine.StopLine();
    s = engine.Status();
    EXPECT_FALSE(s.running);
    EXPECT_EQ(s.items, 0);
    EXPECT_TRUE(s.onScreen.empty());
    EXPECT_TRUE(s.urgent.empty());
    EXPECT_EQ(adapter.QueueUrgent(u"x", 0), 0u) << "this engine takes no urgent lines";
}

}  // namespace
