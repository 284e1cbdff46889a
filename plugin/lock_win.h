// TickerLock over a critical section.
#pragma once
#include <windows.h>

#include "plugin/ticker_lock.h"

class CriticalSectionLock final : public TickerLock {
public:
    CriticalSectionLock() { InitializeCriticalSection(&section_); }
    ~CriticalSectionLock() override { DeleteCriticalSection(&section_); }
    void Enter() override { EnterCriticalSection(&section_); }
    bool TryEnter() override { return TryEnterCriticalSection(&section_) != FALSE; }
    void Leave() override { LeaveCriticalSection(&section_); }
    bool TryEnterWithin(unsigned milliseconds) override {
        if (TryEnter()) return true;
        Sleep(milliseconds);
        return TryEnter();
    }

private:
    CRITICAL_SECTION section_;
};
