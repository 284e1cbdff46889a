// UTF-16 text as the ticker holds it: a growable NUL-terminated buffer with
// 25 % head-room that shrinks only below 60 % use.
#pragma once
#include <cstdint>
#include <string>

class WideString {
public:
    WideString();
    WideString(const WideString& other);
    explicit WideString(const char16_t* text);
    ~WideString();
    WideString& operator=(const WideString& other);
    WideString& operator=(const char16_t* text);

    // Converts text in the system's ANSI code page (see ansi_codec.h).
    void AssignAnsi(const char* text);
    void Append(const WideString& other);
    void Append(const char16_t* text);
    void Clear();
    bool IsEmpty() const { return !buffer_ || buffer_[0] == 0; }
    int32_t Length() const;
    const char16_t* Raw() const { return buffer_ ? buffer_ : u""; }
    int32_t Capacity() const { return capacity_; }
    // Removes every open...close run, e.g. markup between '<' and '>'.
    void StripTags(char16_t open, char16_t close);

    std::u16string ToU16() const { return std::u16string(Raw()); }

    // Makes room for n characters plus the NUL; false when memory ran out.
    bool Reserve(int32_t n, int32_t growPercent = 25, int32_t shrinkPercent = 25);

private:
    void AssignRange(const char16_t* text, int32_t length);

    char16_t* buffer_ = nullptr;
    int32_t capacity_ = 0;
};

int32_t U16Length(const char16_t* text);
