// When a held repeat button notifies its parent and with which step. The
// Win32 button turns its timers and mouse messages into these calls.
//
// At the press the step 1 is sent at once; then a 50 ms tick sends the
// current step, which starts at 0 and takes the step of each table entry
// when that entry's one-shot timer (id index + 2) fires.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct RepeatStep {
    uint32_t delayMs;  // after the press; 0: in force from the press on
    int32_t step;
};

constexpr uint32_t kRepeatTickMs = 50;
constexpr uintptr_t kRepeatTickTimer = 1;
constexpr uintptr_t kFirstStepTimer = 2;

class RepeatTiming {
public:
    void SetTable(const RepeatStep* table, uint32_t count) { table_.assign(table, table + count); }
    const std::vector<RepeatStep>& Table() const { return table_; }

    // Returns the step to send now (1); `oneShots` receives the {timer id,
    // delay} of the entries that fire later.
    struct OneShot {
        uintptr_t id;
        uint32_t delayMs;
    };
    int32_t Press(std::vector<OneShot>* oneShots);
    // A step timer fired: its entry's step is current from now on. False
    // for an id that is not a step timer.
    bool StepTimer(uintptr_t id);
    // The 50 ms tick: the step to send.
    int32_t Current() const { return current_; }
    // The button's own release: true when a repeat was running (its timers
    // are to be killed).
    bool Release();
    bool Pressed() const { return pressed_; }

private:
    std::vector<RepeatStep> table_;
    int32_t current_ = 0;
    bool pressed_ = false;
};

// The dialog's acceleration: faster the longer a button is held.
extern const RepeatStep kDialogRepeatTable[6];
