// What the feed reader puts on air once its download has been parsed.
#pragma once
#include <cstdint>

#include "plugin/engine_services.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "sources/feed_messages.h"

class ContentLoader {
public:
    ContentLoader(TickerLock& lock, SettingsStore& store, PlaybackControl& playback, EngineServices& services)
        : lock_(lock), store_(store), playback_(playback), services_(services) {}

    // On the download worker. Builds the messages without the lock, then
    // publishes them. While it waits for the lock it gives up as soon as
    // `stopping` says so, so that the worker never holds up whoever stops it.
    // False when it gave up.
    bool OnFeedParsed(const FeedParseResult& feed, const TimeZoneInfo& zone, const DateFormatter& formatter,
                      bool (*stopping)(void*), void* context);

private:
    TickerLock& lock_;
    SettingsStore& store_;
    PlaybackControl& playback_;
    EngineServices& services_;
};
