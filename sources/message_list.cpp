#include "sources/message_list.h"

#include <cstring>
#include <new>
#include <utility>

static bool OwnsItem(const TickerMessage* items, int32_t capacity, const TickerMessage& m);

static TickerMessage* AllocateItems(int32_t n) {
    return static_cast<TickerMessage*>(::operator new(size_t(n) * sizeof(TickerMessage), std::nothrow));
}

static void ConstructZeroed(TickerMessage* slot) {
    std::memset(static_cast<void*>(slot), 0, sizeof(TickerMessage));
    new (slot) TickerMessage();
}

MessageList::~MessageList() { SetSize(0); }

bool MessageList::SetSize(int32_t newCount, int32_t growBy) {
    if (growBy != -1) growBy_ = growBy;
    if (newCount < 0) newCount = 0;
    if (newCount == 0) {
        for (int32_t i = 0; i < count_; ++i) items_[i].~TickerMessage();
        ::operator delete(items_);
        items_ = nullptr;
        count_ = capacity_ = 0;
        return true;
    }
    if (!items_) {
        items_ = AllocateItems(newCount);
        if (!items_) return false;
        for (int32_t i = 0; i < newCount; ++i) ConstructZeroed(items_ + i);
        capacity_ = count_ = newCount;
        return true;
    }
    if (newCount <= capacity_) {
        for (int32_t i = count_; i < newCount; ++i) ConstructZeroed(items_ + i);
        for (int32_t i = newCount; i < count_; ++i) items_[i].~TickerMessage();
        count_ = newCount;
        return true;
    }
    const int32_t step = growBy_ != 0 ? growBy_ : AutoGrowStep(count_);
    const int32_t newCapacity = newCount > capacity_ + step ? newCount : capacity_ + step;
    TickerMessage* grown = AllocateItems(newCapacity);
    if (!grown) return false;
    std::memcpy(static_cast<void*>(grown), items_, size_t(count_) * sizeof(TickerMessage));
    for (int32_t i = count_; i < newCount; ++i) ConstructZeroed(grown + i);
    ::operator delete(items_);
    items_ = grown;
    capacity_ = newCapacity;
    count_ = newCount;
    return true;
}

// A message that lives in this list's own array would move with it.
static bool OwnsItem(const TickerMessage* items, int32_t capacity, const TickerMessage& m) {
    return items && &m >= items && &m < items + capacity;
}

int32_t MessageList::SetAtGrow(int32_t index, const TickerMessage& message) {
    if (index < 0) return -1;
    if (OwnsItem(items_, capacity_, message)) {
        const TickerMessage copy(message);
        return SetAtGrow(index, copy);
    }
    if (index >= count_ && !SetSize(index + 1)) return -1;
    items_[index] = message;
    return index;
}

int32_t MessageList::InsertAt(int32_t index, const TickerMessage& message) {
    if (index < 0) return -1;
    if (OwnsItem(items_, capacity_, message)) {
        const TickerMessage copy(message);
        return InsertAt(index, copy);
    }
    if (index >= count_) {
        if (!SetSize(index + 1)) return -1;
    } else {
        const int32_t oldCount = count_;
        if (!SetSize(count_ + 1)) return -1;
        items_[oldCount].~TickerMessage();
        std::memmove(static_cast<void*>(items_ + index + 1), items_ + index,
                     size_t(oldCount - index) * sizeof(TickerMessage));
        ConstructZeroed(items_ + index);
    }
    items_[index] = message;
    return index;
}

void MessageList::Swap(MessageList& other) {
    std::swap(items_, other.items_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(growBy_, other.growBy_);
}
