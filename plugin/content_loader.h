// The line's content: the string and file sources, and what the feed reader
// puts on air once its download has been parsed.
#pragma once
#include <cstdint>

#include "plugin/engine_services.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "sources/feed_messages.h"

// The messages of source 0 (strings) or 1 (files): the list entry is read
// under the lock, the messages (a file's lines) are built without it. Other
// sources leave `out` empty.
void LoadSourceMessages(TickerLock& lock, const SettingsStore& store, int32_t source, MessageList& out);

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
