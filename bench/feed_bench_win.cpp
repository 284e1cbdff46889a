// A 10,000-item, 5 MB feed and two of 200,000 items (17 MB of titles and
// dates, and 100 MB with descriptions): the time to parse
// each (MSXML load and walk, then the messages), which is the time from the
// download's end until the feed is on air, and how long the video thread
// would wait for the publish. With the local test server running
// (SKIMROW_FEED_PORT_FILE, as the tests have it), the 5 MB and 17 MB feeds
// are also downloaded over HTTP and HTTPS by the plug-in's downloader and put
// on air as the plug-in does: the download's time and the time until the
// feed is on air, both from the moment the download starts.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/std_ticker_lock.h"
#include "render/gdi_text_renderer_win.h"
#include "feed/downloader_win.h"
#include "feed/feed_source_win.h"
#include "feed/feed_reader_win.h"
#include "feed/time_win.h"
#include "plugin/ticker_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

// TickerLock that measures how long each hold lasts.
class TimedLock final : public TickerLock {
public:
    void Enter() override {
        inner_.Enter();
        if (depth_++ == 0) since_ = Clock::now();
    }
    bool TryEnter() override {
        if (!inner_.TryEnter()) return false;
        if (depth_++ == 0) since_ = Clock::now();
        return true;
    }
    void Leave() override {
        if (--depth_ == 0) longest_ = std::max(longest_, Clock::now() - since_);
        inner_.Leave();
    }
    double LongestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
    void Reset() { longest_ = Clock::duration::zero(); }

private:
    StdTickerLock inner_;
    int depth_ = 0;
    Clock::time_point since_;
    Clock::duration longest_{};
};

// The engine's fetches go nowhere: the benchmark answers the last one itself.
struct NoServices : EngineServices {
    FeedFetch last;
    int64_t NowSeconds() override { return int64_t(_time64(nullptr)); }
    uint64_t NowLocalStamp() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        FILETIME f;
        SystemTimeToFileTime(&t, &f);
        return uint64_t(f.dwHighDateTime) << 32 | f.dwLowDateTime;
    }
    void FetchFeed(const FeedFetch& f) override { last = f; }
    void StopFeeds() override {}
};

// `count` items in no particular date order; `brief`: a title and a date
// only (about 90 bytes an item), else a description of about 500 bytes too.
std::string MakeFeed(const std::string& path, int count, bool brief) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>bench</title>";
    const char* days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (int i = 0; i < count; ++i) {
        char item[700];
        if (brief)
            std::snprintf(item, sizeof item, "<item><title>Item %d</title><pubDate>%s, %02d Nov 2011 %02d:%02d:00 GMT"
                          "</pubDate></item>\n", i, days[i % 7], 1 + i % 28, i % 24, i % 60);
        else
            std::snprintf(item, sizeof item,
                      "<item><title>Новость номер %d: заголовок</title><pubDate>%s, %02d Nov 2011 %02d:%02d:00 GMT"
                      "</pubDate><description>&lt;p&gt;Текст новости %d, довольно длинный, чтобы лента весила "
                      "мегабайты: %s&lt;/p&gt;</description></item>",
                      i, days[i % 7], 1 + i % 28, i % 24, i % 60, i,
                      "съешь же ещё этих мягких французских булок да выпей чаю, съешь же ещё этих мягких французских "
                      "булок да выпей чаю");
        xml += item;
    }
    xml += "</channel></rss>";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(xml.data(), 1, xml.size(), f);
    std::fclose(f);
    return xml;
}

// One download through the real downloader and the plug-in's completion
// path (read, parse, publish), timed from Download.
// A download's end as the bare downloader reports it.
struct DownloadTimer final : DownloadHandler {
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Clock::time_point ended;
    bool ok = false;
    void OnDownloaded(const DownloadOutcome& outcome) override {
        ended = Clock::now();
        ok = outcome.kind == DownloadOutcome::Body;
        SetEvent(done);
    }
};

// The feed source's bulletin on its way to the engine: when it is on air.
struct OnAirTimer final : NewsDesk {
    TickerEngine* engine = nullptr;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Clock::time_point onAir;
    bool ok = false;
    bool Offer(Bulletin& b, const StopSignal& stop) override {
        ok = b.kind == Bulletin::Kind::News && engine->Desk().Offer(b, stop);
        onAir = Clock::now();
        SetEvent(done);
        return ok;
    }
};

std::string ServerFolder() {
    char file[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SKIMROW_FEED_PORT_FILE", file, MAX_PATH)) return std::string();
    std::string path = std::string("Z:") + file;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string FirstLine(const std::string& path, const std::string& prefix) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::string();
    char line[256];
    std::string found;
    while (std::fgets(line, sizeof line, f)) {
        std::string l = line;
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        if (l.compare(0, prefix.size(), prefix) == 0) {
            found = l.substr(prefix.size());
            break;
        }
    }
    std::fclose(f);
    return found;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "skimrow_feed_bench.xml";

    TimedLock lock;
    NoServices services;
    GdiTextRenderer renderer;
    DibSectionAllocator allocator;
    TickerEngine engine(lock, services, renderer, allocator);
    engine.Init(SettingsLocation());
    engine.Set(&TickerSettings::Description, 1);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/bench.xml", ""});
    WinTimeZone zone;
    WinDateFormatter formatter;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };

    const struct {
        int count;
        bool brief;
    } feeds[] = {{10000, false}, {200000, true}, {200000, false}};
    for (const auto& feedSpec : feeds) {
        const int count = feedSpec.count;
        const std::string xml = MakeFeed(path, count, feedSpec.brief);
        const int runs = count > 10000 ? 1 : 5;
        std::vector<double> load, build, held;
        for (int run = 0; run < runs; ++run) {
            engine.StartLine();
            lock.Reset();
            const auto t0 = Clock::now();
            FeedBytes bytes;
            bytes.Load(path);
            const FeedParseResult parsed = ParseFeed(bytes);
            const auto t1 = Clock::now();
            const FeedResult feed = FeedResult::Read(std::move(parsed.items), zone, formatter);
            Bulletin b;
            BulletinOfFeed(feed, services.last.feed, services.last.run, StopSignal::Never(), b);
            engine.Desk().Offer(b, StopSignal::Never());
            const auto t2 = Clock::now();
            load.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            build.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
            held.push_back(lock.LongestMs());
            if (int(feed.items.size()) != count || engine.Status().items != count) {
                std::printf("feed_bench: expected %d items, got %u and %d\n", count, unsigned(feed.items.size()),
                            engine.Status().items);
                return 1;
            }
        }
        std::printf("feed_bench: %u-byte feed, %d items, %d run(s), medians\n", unsigned(xml.size()), count, runs);
        std::printf("feed_bench:   MSXML load and walk %.1f ms, messages (dates, filter, order) %.1f ms\n",
                    median(load), median(build));
        std::printf("feed_bench:   download end to on air %.1f ms; video thread blocked by the publish %.3f ms\n",
                    median(load) + median(build), median(held));
    }
    DeleteFileA(path.c_str());

    const std::string folder = ServerFolder();
    const std::string httpPort = folder.empty() ? std::string() : FirstLine(folder + "feed_server.port", "");
    const std::string httpsPort = folder.empty() ? std::string() : FirstLine(folder + "feed_server.tls", "good ");
    if (httpPort.empty()) {
        std::printf("feed_bench: no local feed server (SKIMROW_FEED_PORT_FILE): downloads not measured\n");
    } else {
        DownloadTimer downloaded;
        Downloader downloader(downloaded);
        OnAirTimer onAirTimer;
        onAirTimer.engine = &engine;
        WinFeedSource source(zone, formatter);
        source.DeliverTo(onAirTimer);
        const struct {
            int count;
            bool brief;
            const char* name;
        } served[] = {{10000, false, "bench_5mb.xml"}, {200000, true, "bench_17mb.xml"}};
        for (const auto& entry : served) {
            const std::string xml = MakeFeed(folder + "files\\" + entry.name, entry.count, entry.brief);
            std::printf("feed_bench: %u-byte feed, %d items, from the local server, medians of %d runs\n",
                        unsigned(xml.size()), entry.count, entry.count > 10000 ? 3 : 5);
            for (const std::string& base : {"http://127.0.0.1:" + httpPort, "https://127.0.0.1:" + httpsPort}) {
                if (base.back() == ':') continue;  // no HTTPS listener
                std::vector<double> download, onAir;
                bool failed = false;
                for (int run = 0; run < (entry.count > 10000 ? 3 : 5) && !failed; ++run) {
                    // The download alone, then the whole road: download, parse, on air.
                    const std::string url = base + "/files/" + entry.name;
                    Clock::time_point start = Clock::now();
                    downloader.Download(url, true);
                    failed = WaitForSingleObject(downloaded.done, 600000) != WAIT_OBJECT_0 || !downloaded.ok;
                    downloader.Stop();
                    download.push_back(Ms(downloaded.ended - start));
                    engine.StartLine();
                    start = Clock::now();
                    FeedFetch fetch = services.last;
                    fetch.url = url;
                    source.Fetch(fetch);
                    failed = failed || WaitForSingleObject(onAirTimer.done, 600000) != WAIT_OBJECT_0 || !onAirTimer.ok ||
                             engine.Status().items != entry.count;
                    source.Stop();
                    onAir.push_back(Ms(onAirTimer.onAir - start));
                }
                const char* scheme = base.compare(0, 5, "https") == 0 ? "https" : "http ";
                if (failed)
                    std::printf("feed_bench:   %s: the download failed (%u messages on air)\n", scheme,
                                unsigned(engine.Status().items));
                else
                    std::printf("feed_bench:   %s: download %.1f ms, on air %.1f ms after the download began\n", scheme,
                                median(download), median(onAir));
            }
            DeleteFileA((folder + "files\\" + entry.name).c_str());
        }
    }
    CoUninitialize();
    return 0;
}
