// UTF-16 text as the ticker holds it: no embedded NUL, so Raw() is the
// whole text.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

class WideString {
public:
    WideString() = default;
    explicit WideString(const char16_t* text) { *this = text; }
    explicit WideString(std::u16string text) : text_(std::move(text)) { CutAtNul(); }
    WideString& operator=(const char16_t* text);
    WideString& operator=(std::u16string text);

    // Converts text in the system's ANSI code page (see ansi_codec.h).
    void AssignAnsi(const char* text);
    void Append(const WideString& other) { text_.append(other.text_); }
    void Append(const char16_t* text);
    void Append(const std::u16string& text);
    void Clear() { text_.clear(); }
    bool IsEmpty() const { return text_.empty(); }
    int32_t Length() const { return int32_t(text_.size()); }
    const char16_t* Raw() const { return text_.c_str(); }
    const std::u16string& Str() const { return text_; }
    // Removes every open...close run, e.g. markup between '<' and '>'.
    void StripTags(char16_t open, char16_t close);

    std::u16string ToU16() const { return text_; }

private:
    void CutAtNul();  // what follows a NUL is not text

    std::u16string text_;
};

