// The plug-in's module-level state and everything that works on it without
// a platform API: playback, sources, band layout and composition, and the
// road of one frame. The DLL binds it to Windows; tests bind it to fakes.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/ticker_lock.h"
#include "render/dib_surface.h"
#include "render/frame_blender.h"
#include "render/segment_list.h"
#include "render/text_renderer.h"
#include "settings/ini_store.h"
#include "settings/ticker_settings.h"
#include "sources/message_list.h"
#include "sources/rss_items.h"

struct FrameGeometry {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t reserved = 0;
    int32_t pixelFormat = 0;
    int32_t cpuLevel = 0;
};

// Playback state beside LineOn.
struct PlaybackState {
    int32_t manualStart = 0;
    int32_t contentReady = 0;
    int32_t nextMessage = 0;
    int32_t repeatCounter = 0;
    int64_t autoUpdateDeadline = 0;  // calendar seconds
};

struct BandMetrics {
    int32_t gapWidth = 0;
    int32_t textHeight = 0;
    int32_t shadowOffset = 0;
};

// The dialog's private message and its parts.
constexpr uint32_t WM_UPDATE_CONTROLS = 0x0400 + 400;
constexpr uint32_t WM_AUTOREPEAT = 0x0400 + 401;
enum UpdatePart : int32_t { UPDATE_ALL = 0, UPDATE_RUNSTATE = 1, UPDATE_SPEED = 2, UPDATE_SOURCE = 3 };

// What the engine asks of its surroundings.
class EngineServices {
public:
    virtual ~EngineServices() = default;
    virtual int64_t NowSeconds() = 0;
    virtual bool DialogHasWindow() = 0;
    virtual void PostDialogUpdate(int32_t part) = 0;
    virtual int32_t StartDownload(const std::string& url) = 0;
    virtual void StopDownload() = 0;
};

// What the XML walk of a downloaded feed found.
struct FeedParseResult {
    enum Kind { Items, DownloadFailed, NoMsxml, BadFeed } kind = Items;
    std::vector<RssItemTexts> items;
    std::u16string statusText;  // the downloader's last status, for DownloadFailed
};

inline bool CpuTooOld(int32_t cpuLevel) { return cpuLevel == 1 || cpuLevel == 2; }

class TickerEngine {
public:
    TickerEngine(TickerLock& lock, EngineServices& services, TextRenderer& renderer, SurfaceAllocator& allocator)
        : surface(allocator), lock_(lock), services_(services), renderer_(renderer) {}

    TickerLock& Lock() { return lock_; }
    EngineServices& Services() { return services_; }

    // Start's steps that need no platform: records, blender, font and slots;
    // then, once the downloader is set up, the playback decision and deadline.
    void PrepareProcessing(const FrameGeometry& g);
    void DecidePlayback();
    // ProcessFrame after the gate: everything under the lock.
    void DrawFrame(uint8_t* pixels);

    // Playback control.
    void StartPlayback(int32_t manual);
    void StopPlayback(int32_t stopDownloader);
    int32_t StartFeed();
    void AdvanceSegments(int32_t step);
    void UpdateSegments();
    void ArmAutoUpdate();
    bool IsAutoUpdateDue();

    // Sources.
    void LoadStringSource();
    void LoadFileSource();
    // Replaces the shared list under the lock and puts its first message on the band.
    void PublishMessages(MessageList& fresh);

    // The feed reader's work after the XML walk (on the download worker):
    // builds the messages without any lock, then publishes them. While it
    // waits for the lock it gives up as soon as `stopping` says so, so that a
    // Stop made under the lock never waits for it. False when it gave up.
    bool OnFeedParsed(const FeedParseResult& feed, const TimeZoneInfo& zone, const DateFormatter& formatter,
                      bool (*stopping)(void*), void* context);

    // Font and band.
    void RebuildFont();
    void MeasureBand();
    void AppendSegment();
    void ComposeBand();

    SettingsStore store;
    IniStore ini;
    FrameGeometry geometry;
    PlaybackState playback;
    BandMetrics metrics;
    MessageList messages;
    SegmentList segments;
    DibSurface surface;
    FrameBlender blender;
    uint32_t initWords[2] = {0, 0};
    std::atomic<uint32_t> lastFrameTick{0};

private:
    int32_t MeasureMessage(int32_t index);

    TickerLock& lock_;
    EngineServices& services_;
    TextRenderer& renderer_;
};

// The messages of each source, built without any lock.
void BuildStringMessages(const StringList& strings, int32_t index, MessageList& out);
void BuildFileMessages(const StringList& files, int32_t index, MessageList& out);
