#include "dialog/repeat_timing.h"

const RepeatStep kDialogRepeatTable[6] = {{700, 1}, {700, 2}, {1100, 4}, {1500, 8}, {1900, 16}, {2300, 32}};

int32_t RepeatTiming::Press(std::vector<OneShot>* oneShots) {
    pressed_ = true;
    current_ = 0;
    oneShots->clear();
    for (size_t i = 0; i < table_.size(); ++i) {
        if (table_[i].delayMs == 0) current_ = table_[i].step;
        else oneShots->push_back(OneShot{kFirstStepTimer + i, table_[i].delayMs});
    }
    return 1;
}

bool RepeatTiming::StepTimer(uintptr_t id) {
    if (id < kFirstStepTimer || id >= kFirstStepTimer + table_.size()) return false;
    current_ = table_[id - kFirstStepTimer].step;
    return true;
}

bool RepeatTiming::Release() {
    const bool was = pressed_;
    pressed_ = false;
    return was;
}
