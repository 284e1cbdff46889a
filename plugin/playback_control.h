// Starting and stopping runs and the automatic feed refresh: the sources a
// run reads, the feeds it downloads and the text file it watches. What is
// on air, and everything waiting to go on air, is OnAir's.
//
// Lock discipline: the functions take the lock for their changes and make
// their calls into the downloads and the watch after releasing it.
#pragma once
#include <cstdint>

#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/on_air.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"

class PlaybackControl final {
public:
    PlaybackControl(TickerLock& lock, SettingsStore& store, OnAir& onAir, EngineServices& services,
                    const DialogLink& dialog)
        : lock_(lock), store_(store), onAir_(onAir), services_(services), dialog_(dialog) {}

    // Reads the string or file source before taking the lock; a feed run's
    // downloads start after it is released.
    void StartPlayback(RunBy by);
    // `stopDownloads`: running downloads end too (bounded wait).
    void StopPlayback(bool stopDownloads);
    void ArmAutoUpdate();
    // A running line's refreshes that have fallen due (the video thread asks
    // under the lock and starts them once the lock is released).
    void StartRefreshAhead();
    // The announcements from the string list, for a run of the feeds.
    void RefreshAnnouncements();

private:
    TickerLock& lock_;
    SettingsStore& store_;
    OnAir& onAir_;
    EngineServices& services_;
    const DialogLink& dialog_;
};
