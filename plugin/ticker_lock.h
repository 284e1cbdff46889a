// The one re-entrant lock between the host's threads and the download worker.
#pragma once

class TickerLock {
public:
    virtual ~TickerLock() = default;
    virtual void Enter() = 0;
    virtual bool TryEnter() = 0;
    virtual void Leave() = 0;
    // Takes the lock if it is free now or within about that time. Each lock
    // waits in its platform's own way: the DLL must not reach the threads
    // runtime's sleep, which keeps a record per calling thread for good.
    virtual bool TryEnterWithin(unsigned milliseconds) {
        (void)milliseconds;
        return TryEnter();
    }
};

class LockGuard {
public:
    explicit LockGuard(TickerLock& lock) : lock_(lock) { lock_.Enter(); }
    ~LockGuard() { lock_.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    TickerLock& lock_;
};
