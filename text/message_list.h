// One ticker item and the growable list of items on air.
#pragma once
#include <cstdint>
#include <vector>

#include "base/grow_step.h"

#include "text/wide_string.h"

struct TickerMessage {
    uint64_t stamp = 0;  // local wall-clock time in FILETIME units; 0 = undated
    WideString dateText;
    WideString timeText;
    WideString titleText;
    WideString descriptionText;
    WideString displayText;  // the only text the renderer reads
};

// The items in one vector; it grows by the step set last (or the automatic
// one), so that a list built item by item reallocates rarely.
class MessageList {
public:
    MessageList() = default;
    MessageList(const MessageList&) = delete;
    MessageList& operator=(const MessageList&) = delete;

    // New items are empty; 0 frees the storage. `growBy` (when not -1) is
    // the step of later growth, 0 for the automatic one.
    void SetSize(int32_t newCount, int32_t growBy = -1);
    // Beyond the end the list grows with empty items; -1 for a negative index.
    int32_t SetAtGrow(int32_t index, const TickerMessage& message);
    int32_t Add(const TickerMessage& message) { return SetAtGrow(Count(), message); }
    int32_t InsertAt(int32_t index, const TickerMessage& message);
    void RemoveAll() { SetSize(0); }
    // Swaps contents with another list (used to publish a list built elsewhere).
    void Swap(MessageList& other);

    int32_t Count() const { return int32_t(items_.size()); }
    int32_t Capacity() const { return int32_t(items_.capacity()); }
    TickerMessage& operator[](int32_t i) { return items_[size_t(i)]; }
    const TickerMessage& operator[](int32_t i) const { return items_[size_t(i)]; }

private:
    void Grow(int32_t newCount);
    bool Holds(const TickerMessage& m) const;

    std::vector<TickerMessage> items_;
    int32_t growBy_ = 0;
};
