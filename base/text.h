// Text helpers every room shares, defined once so that every build parses
// and trims alike.
#pragma once
#include <cstdint>
#include <string>

// The C runtime's white space: blank, tab, LF, VT, FF, CR.
bool IsCSpace(unsigned char c);

// C runtime style conversion: leading white space, an optional sign, decimal
// digits up to the first other character. The result is taken modulo 2^64,
// so that a value keeps its low bits in whatever field it lands.
uint64_t ParseDecimal(const char* text);

std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
std::string TrimCopy(const std::string& s);
// Blanks and tabs only (HTTP's optional white space), nothing else.
std::string TrimBlanksAndTabs(const std::string& s);

// The control characters (C0, DEL and C1), which no text on air holds.
constexpr bool IsControlChar(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Byte text as UTF-16, each byte one character (for ASCII texts we format).
std::u16string WidenBytes(const char* text);
