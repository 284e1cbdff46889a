// UTF-8 and UTF-16 bytes to the ticker's UTF-16 text and back to UTF-8:
// text files, feeds and their dates arrive in these forms.
#pragma once
#include <cstddef>
#include <string>

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsUtf8(const char* bytes, size_t size);
bool HasNonAscii(const char* bytes, size_t size);

// Appends the decoded text; each ill-formed sequence becomes U+FFFD. False
// when there was one.
bool AppendUtf8(const char* bytes, size_t size, std::u16string& out);
// Appends UTF-16 code units; a last odd byte is dropped.
void AppendUtf16(const char* bytes, size_t size, bool bigEndian, std::u16string& out);

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(const char16_t* text, size_t length);
void AppendCodePoint(char32_t c, std::u16string& out);
