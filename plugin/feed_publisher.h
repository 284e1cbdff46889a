// Puts what a feed source read on air: the messages built off-lock, then
// swapped in under the lock, and the new LastUpdate.
#pragma once
#include <cstdint>

#include "plugin/engine_services.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "feed/feed_messages.h"

class FeedPublisher {
public:
    FeedPublisher(TickerLock& lock, SettingsStore& store, PlaybackControl& playback, EngineServices& services)
        : lock_(lock), store_(store), playback_(playback), services_(services) {}

    // On the source's worker. While it waits for the lock it gives up as
    // soon as `stop` is raised, so that the worker never holds up whoever
    // stops it. False when it gave up.
    bool Publish(const FeedResult& feed, const StopSignal& stop);

private:
    TickerLock& lock_;
    SettingsStore& store_;
    PlaybackControl& playback_;
    EngineServices& services_;
};
