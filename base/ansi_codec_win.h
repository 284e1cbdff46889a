// The codec over the system's own conversion: the ANSI code page, and any
// code page Windows knows.
#pragma once
#include "base/ansi_codec.h"

class WinAnsiCodec final : public AnsiCodec {
public:
    std::u16string ToUtf16(const char* text) const override;
    std::string FromUtf16(const char16_t* text) const override;
    bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const override;
};
