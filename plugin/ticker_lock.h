// The one re-entrant lock between the host's threads and the download worker.
#pragma once
#include <mutex>

class TickerLock {
public:
    virtual ~TickerLock() = default;
    virtual void Enter() = 0;
    virtual bool TryEnter() = 0;
    virtual void Leave() = 0;
};

class StdTickerLock final : public TickerLock {
public:
    void Enter() override { mutex_.lock(); }
    bool TryEnter() override { return mutex_.try_lock(); }
    void Leave() override { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
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
