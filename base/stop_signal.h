// Whether whoever started some work on another thread has asked it to stop.
// The worker looks between steps and before it publishes anything.
#pragma once
#include <atomic>

class StopSignal {
public:
    virtual bool Requested() const = 0;
    // A signal that is never raised, for work nobody stops.
    static const StopSignal& Never();

protected:
    ~StopSignal() = default;
};

class StopFlag final : public StopSignal {
public:
    void Raise() { raised_.store(true); }
    void Reset() { raised_.store(false); }
    bool Requested() const override { return raised_.load(); }

private:
    std::atomic<bool> raised_{false};
};

inline const StopSignal& StopSignal::Never() {
    struct Unraised final : StopSignal {
        bool Requested() const override { return false; }
    };
    static const Unraised never;
    return never;
}
