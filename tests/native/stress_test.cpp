// Frames on one thread, starts, stops, source switches and font rebuilds on
// another, as the host's video and user-interface threads do, a file
// watcher handing new lists on a third, feeds and urgent lines offered on
// a fourth, and the control endpoint reading the state and putting texts
// on a fifth. Run under ThreadSanitizer by the test command.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine_fixture.h"
#include "feed_fixtures.h"
#include "remote/control_adapter.h"
#include "remote_fakes.h"
#include "test_files.h"

namespace {

TEST(Stress, VideoAndUserInterfaceThreadsMeetOnlyUnderTheLock) {
    EngineFixture f;
    TempDir dir;
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "message number " + std::to_string(i) + "\r\n";
    WriteBytes(dir.File("a.txt"), text);
    f.engine.SetList(ContentList::Strings, {"the first string", "the second string", ""});
    f.engine.SetList(ContentList::Files, {dir.File("a.txt"), ""});
    f.engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", "http://127.0.0.1/b", ""});
    f.engine.Set(&TickerSettings::AnnounceEvery, 1);
    f.engine.Set(&TickerSettings::Speed, 30);
    f.Start(720, 576, kFormatYuy2);
    f.engine.StartLine();

    std::atomic<bool> stop{false};
    std::atomic<long> frames{0}, actions{0};
    std::thread video([&] {
        std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
        while (!stop) {
            f.ProcessFrame(frame.data());
            ++frames;
            std::this_thread::sleep_for(std::chrono::microseconds(300));  // frames come at a rate
        }
    });
    std::thread watcher([&] {
        for (int n = 0; !stop; ++n) {
            Bulletin saved;
            saved.from = Bulletin::From::TextFile;
            TickerMessage m;
            m.displayText = u"saved " + std::u16string(size_t(n % 40), u'x');
            saved.messages.Add(m);
            f.engine.Desk().Offer(saved, StopSignal::Never());
            std::this_thread::sleep_for(std::chrono::microseconds(700));
        }
    });
    std::thread producers([&] {
        RuntimeTimeZone zone;
        PlainFormatter formatter;
        for (int n = 0; !stop; ++n) {
            if (n % 3 == 0) f.engine.OfferUrgent(u"urgent " + std::u16string(size_t(n % 7), u'!'), 1 + n % 2);
            // Whatever the run is now: a bulletin for the last fetch of either feed.
            FeedFetch fetch;
            {
                std::lock_guard<std::mutex> guard(f.services.fetchesMutex);
                if (!f.services.fetches.empty()) fetch = f.services.fetches.back();
            }
            Bulletin b;
            const FeedResult r = FeedResult::Read({{u"", u"item " + std::u16string(size_t(n % 5), u'x'), u""}}, zone, formatter);
            if (BulletinOfFeed(r, fetch.feed, fetch.run, StopSignal::Never(), b)) f.engine.Desk().Offer(b, StopSignal::Never());
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    std::atomic<long> requests{0};
    std::thread endpoint([&] {
        ControlAdapter adapter(f.engine);
        RecordingLog log;
        ControlRoutes routes(adapter, log, 8080, "");
        const HttpRequest asks[] = {MakeRequest("GET", "/api/state"),
                                    MakeRequest("POST", "/api/text", u8"{\"text\":\"пришло по сети\"}")};
        for (uint32_t n = 0; !stop; ++n) {
            if (routes.Handle(asks[n % 2], "127.0.0.1", true, n).status == 200) ++requests;
            log.lines.clear();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        switch (i % 6) {
        case 0: f.engine.StopLine(); break;
        case 1:  // the dialog's source radios, string list and feeds
            f.engine.Set(&TickerSettings::StringSource, (i / 6) % 3);
            f.engine.Set(&TickerSettings::StrIdx, (i / 12) % 2);
            f.engine.Set(&TickerSettings::AllFeeds, (i / 18) % 2);
            break;
        case 2: f.engine.StartLine(); break;
        case 3: {  // the font dialog and the size buttons
            FontSpec font = FontSpecFrom(f.engine.Settings());
            font.height = -20 - (i % 30);
            f.engine.SetFont(font);
            f.engine.NudgeBand((i / 6) % 2 ? Nudge::Wider : Nudge::Narrower, i % 500);
            break;
        }
        case 4: f.engine.Set(&TickerSettings::ShadowOffset, i % 40); break;
        case 5: f.engine.ToggleLine(); break;
        }
        ++actions;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    stop = true;
    video.join();
    watcher.join();
    producers.join();
    endpoint.join();
    std::printf("stress: %ld frames, %ld interface actions and %ld requests in 3 s\n", frames.load(), actions.load(),
                requests.load());
    EXPECT_GT(frames.load(), 10);
    EXPECT_GT(actions.load(), 100);
    EXPECT_GT(requests.load(), 100);
}

}  // namespace
