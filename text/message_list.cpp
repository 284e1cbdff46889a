#include "text/message_list.h"

#include <functional>
#include <utility>

void MessageList::Grow(int32_t newCount) {
    const int32_t capacity = Capacity();
    if (newCount <= capacity) return;
    if (capacity == 0) {
        items_.reserve(size_t(newCount));  // a fresh list takes what it needs
        return;
    }
    const int32_t step = growBy_ != 0 ? growBy_ : AutoGrowStep(Count());
    const int64_t stepped = int64_t(capacity) + step;
    items_.reserve(size_t(newCount > stepped ? newCount : stepped));
}

void MessageList::SetSize(int32_t newCount, int32_t growBy) {
    if (growBy != -1) growBy_ = growBy;
    if (newCount <= 0) {
        std::vector<TickerMessage>().swap(items_);
        return;
    }
    Grow(newCount);
    items_.resize(size_t(newCount));
}

// A message that lives in this list would move when the list grows.
bool MessageList::Holds(const TickerMessage& m) const {
    const std::less<const TickerMessage*> before;
    return !items_.empty() && !before(&m, items_.data()) && before(&m, items_.data() + items_.size());
}

int32_t MessageList::SetAtGrow(int32_t index, const TickerMessage& message) {
    if (index < 0) return -1;
    if (Holds(message)) {
        const TickerMessage copy(message);
        return SetAtGrow(index, copy);
    }
    if (index >= Count()) SetSize(index + 1);
    items_[size_t(index)] = message;
    return index;
}

int32_t MessageList::InsertAt(int32_t index, const TickerMessage& message) {
    if (index < 0) return -1;
    if (Holds(message)) {
        const TickerMessage copy(message);
        return InsertAt(index, copy);
    }
    if (index >= Count()) return SetAtGrow(index, message);
    Grow(Count() + 1);
    items_.insert(items_.begin() + index, message);
    return index;
}

void MessageList::Swap(MessageList& other) {
    items_.swap(other.items_);
    std::swap(growBy_, other.growBy_);
}
