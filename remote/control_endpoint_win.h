// The control endpoint on Winsock: one listening socket and one thread that
// serves up to 8 connections at once (the 9th and later are told 503),
// without blocking on any of them, so a slow client holds up no other.
// The socket is bound with SO_EXCLUSIVEADDRUSE, is not inherited by child
// processes, and listens on 127.0.0.1 unless the settings ask for the
// network with a long enough key (PlanListening).
#pragma once
#include <cstdint>
#include <string>

#include <mutex>

#include "base/module_thread_win.h"
#include "base/srw_lock_win.h"
#include "remote/log_text.h"
#include "plugin/ticker_control.h"

constexpr int kMaxConnections = 8;

class ControlEndpoint {
public:
    ControlEndpoint(TickerControl& control, ControlLog& log) : control_(control), log_(log) {}
    // At unload the thread is told to stop but not waited for (the loader
    // lock is held then); it holds the module until it has ended, so this
    // runs with it still going only at the process's exit.
    ~ControlEndpoint();
    ControlEndpoint(const ControlEndpoint&) = delete;
    ControlEndpoint& operator=(const ControlEndpoint&) = delete;

    // Listens as the settings ask (not at all for port 0) and logs how; a
    // port that is taken is logged and the plug-in goes on without. Any
    // thread: the host's at Init, the dialog's when the settings change.
    void Start(const TickerSettings& settings);
    // Closes the socket and every connection and waits for the thread
    // (bounded). Never from DllMain.
    void Stop();
    // The log was emptied: what the endpoint does goes in again.
    void LogStanding();
    bool Listening() const { return listener_ != nullptr; }

private:
    struct Listener;
    static void Serve(void* listener);
    void StartLocked(const TickerSettings& settings);
    void StopLocked();
    void LogStandingLocked();

    TickerControl& control_;
    ControlLog& log_;
    SrwLock lock_;  // Start, Stop and the standing line; never held by the endpoint's thread
    Listener* listener_ = nullptr;
    ModuleThread thread_;
    std::u16string standing_;  // the line that says how the endpoint listens
};
