#include "sources/wide_string.h"

#include <cstdlib>
#include <cstring>

#include "base/mul_div.h"
#include "base/ansi_codec.h"

int32_t U16Length(const char16_t* text) {
    int32_t n = 0;
    while (text[n]) ++n;
    return n;
}

WideString::WideString() {
    Reserve(0);
    if (buffer_) buffer_[0] = 0;
}

WideString::WideString(const WideString& other) : WideString() { AssignRange(other.buffer_, other.Length()); }

WideString::WideString(const char16_t* text) : WideString() { *this = text; }

WideString::~WideString() {
    std::free(buffer_);
    buffer_ = nullptr;
}

WideString& WideString::operator=(const WideString& other) {
    if (this != &other) AssignRange(other.buffer_, other.Length());
    return *this;
}

WideString& WideString::operator=(const char16_t* text) {
    AssignRange(text, text ? U16Length(text) : 0);
    return *this;
}

bool WideString::Reserve(int32_t n, int32_t growPercent, int32_t shrinkPercent) {
    const int32_t needed = n + 1;
    const bool tooSmall = needed > capacity_;
    const bool tooLarge = needed < MulDiv(capacity_, 100 - shrinkPercent, 100 + growPercent);
    if (!tooSmall && !tooLarge) return true;
    const int32_t capacity = MulDiv(needed, 100 + growPercent, 100);
    if (capacity < needed) return !tooSmall;  // arithmetic overflow: keep what we have
    void* block = std::realloc(buffer_, size_t(capacity) * sizeof(char16_t));
    if (!block) return !tooSmall;  // a failed shrink is harmless; a failed grow is not
    const bool wasNull = buffer_ == nullptr;
    buffer_ = static_cast<char16_t*>(block);
    capacity_ = capacity;
    if (wasNull) buffer_[0] = 0;
    return true;
}

// The source may point into this string's own block, which Reserve can move
// or shrink: such text is copied aside first.
void WideString::AssignRange(const char16_t* text, int32_t length) {
    if (buffer_ && text >= buffer_ && text < buffer_ + capacity_) {
        const std::u16string copy(text, size_t(length));
        AssignRange(copy.c_str(), length);
        return;
    }
    if (!Reserve(length)) {
        if (!buffer_) return;
        length = capacity_ - 1;
    }
    if (length > 0) std::memcpy(buffer_, text, size_t(length) * sizeof(char16_t));
    buffer_[length] = 0;
}

void WideString::AssignAnsi(const char* text) {
    const std::u16string converted = SystemAnsiCodec().ToUtf16(text ? text : "");
    AssignRange(converted.c_str(), int32_t(converted.size()));
}

void WideString::Append(const WideString& other) { Append(other.buffer_); }

void WideString::Append(const char16_t* text) {
    if (!text) return;
    if (buffer_ && text >= buffer_ && text < buffer_ + capacity_) {
        const std::u16string copy(text);
        Append(copy.c_str());
        return;
    }
    const int32_t own = Length();
    int32_t add = U16Length(text);
    if (!Reserve(own + add)) {
        if (!buffer_) return;
        add = capacity_ - 1 - own;
    }
    if (add > 0) std::memcpy(buffer_ + own, text, size_t(add) * sizeof(char16_t));
    buffer_[own + add] = 0;
}

void WideString::Clear() {
    if (buffer_) buffer_[0] = 0;
}

int32_t WideString::Length() const { return buffer_ ? U16Length(buffer_) : 0; }

void WideString::StripTags(char16_t open, char16_t close) {
    if (!buffer_) return;
    int32_t length = Length();
    int32_t from = 0;
    for (;;) {
        int32_t start = from;
        while (start < length && buffer_[start] != open) ++start;
        if (start >= length) return;
        int32_t end = start + 1;
        while (end < length && buffer_[end] != close) ++end;
        if (end >= length) return;
        std::memmove(buffer_ + start, buffer_ + end + 1, size_t(length - end) * sizeof(char16_t));
        length -= end + 1 - start;
        from = start;
    }
}
