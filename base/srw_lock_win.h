// A plain (not re-entrant) lock over an SRW lock, usable with
// std::lock_guard. It needs nothing made or freed: std::mutex in this
// runtime allocates on first use and, having no destructor, never frees,
// which a record made per download cannot afford.
#pragma once
#include <windows.h>

class SrwLock {
public:
    SrwLock() = default;
    SrwLock(const SrwLock&) = delete;
    SrwLock& operator=(const SrwLock&) = delete;
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};
