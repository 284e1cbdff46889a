// TickerLock over the standard library, for the native builds. The DLL uses
// its critical section (lock_win.h): the threads runtime behind std::mutex
// keeps memory and a record per thread that unloading does not give back.
#pragma once
#include <chrono>
#include <mutex>
#include <thread>

#include "plugin/ticker_lock.h"

class StdTickerLock final : public TickerLock {
public:
    void Enter() override { mutex_.lock(); }
    bool TryEnter() override { return mutex_.try_lock(); }
    void Leave() override { mutex_.unlock(); }
    bool TryEnterWithin(unsigned milliseconds) override {
        if (TryEnter()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return TryEnter();
    }

private:
    std::recursive_mutex mutex_;
};
