// One ticker item and the growable list of items on air.
#pragma once
#include <cstdint>

#include "base/grow_step.h"

#include "sources/wide_string.h"

struct TickerMessage {
    uint64_t stamp = 0;  // local wall-clock time in FILETIME units; 0 = undated
    WideString dateText;
    WideString timeText;
    WideString titleText;
    WideString descriptionText;
    WideString displayText;  // the only text the renderer reads
};

// Items are relocated by byte copy (a TickerMessage owns its strings through
// plain pointers), so growing costs one allocation and one block copy.
class MessageList {
public:
    MessageList() = default;
    ~MessageList();
    MessageList(const MessageList&) = delete;
    MessageList& operator=(const MessageList&) = delete;

    bool SetSize(int32_t newCount, int32_t growBy = -1);
    int32_t SetAtGrow(int32_t index, const TickerMessage& message);
    int32_t Add(const TickerMessage& message) { return SetAtGrow(count_, message); }
    int32_t InsertAt(int32_t index, const TickerMessage& message);
    void RemoveAll() { SetSize(0); }
    // Swaps contents with another list (used to publish a list built elsewhere).
    void Swap(MessageList& other);

    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }
    TickerMessage& operator[](int32_t i) { return items_[i]; }
    const TickerMessage& operator[](int32_t i) const { return items_[i]; }

private:
    TickerMessage* items_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    int32_t growBy_ = 0;
};
