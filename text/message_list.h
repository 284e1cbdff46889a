// One ticker item and the list of items on air.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "text/scripts.h"
#include "text/wide_string.h"

struct TickerMessage {
    uint64_t stamp = 0;  // local wall-clock time in FILETIME units; 0 = undated
    WideString dateText;
    WideString timeText;
    WideString titleText;
    WideString descriptionText;
    WideString displayText;  // the only text the renderer reads
    // Set where a message is built when its text alone does not tell it (a
    // label before the content).
    BaseDirection direction = BaseDirection::FromText;
    std::u16string link;     // the web page a double click opens; empty for none
};

// Not copyable: a list on air moves by Swap, never by a copy made under the lock.
class MessageList {
public:
    MessageList() = default;
    MessageList(const MessageList&) = delete;
    MessageList& operator=(const MessageList&) = delete;
    MessageList(MessageList&&) noexcept = default;
    MessageList& operator=(MessageList&&) noexcept = default;

    void Add(const TickerMessage& message) { items_.push_back(message); }
    // Room for `count` items, so that a big feed is not copied again and again as it grows.
    void Reserve(int32_t count) { items_.reserve(count > 0 ? size_t(count) : 0); }
    // Empties the list and frees its storage.
    void RemoveAll() { std::vector<TickerMessage>().swap(items_); }
    void Swap(MessageList& other) { items_.swap(other.items_); }

    int32_t Count() const { return int32_t(items_.size()); }
    TickerMessage& operator[](int32_t i) { return items_[size_t(i)]; }
    const TickerMessage& operator[](int32_t i) const { return items_[size_t(i)]; }

private:
    std::vector<TickerMessage> items_;
};
