// Conversion between the system's code pages and UTF-16. The DLL installs a
// codec over the platform's conversion; the native build has Windows-1251.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kAnsiCodePage = 0;

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    // The system's ANSI code page.
    virtual std::u16string ToUtf16(const char* text) const = 0;
    virtual std::string FromUtf16(const char16_t* text) const = 0;
    // Any code page the system converts (kAnsiCodePage for the ANSI one);
    // appends to `out`. False when the system has no such code page, or,
    // `strict`, when a byte sequence is not defined in it.
    virtual bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const = 0;
};

// Windows-1251, as on the plug-in's users' systems; it knows no other code page.
class Cp1251Codec final : public AnsiCodec {
public:
    std::u16string ToUtf16(const char* text) const override;
    std::string FromUtf16(const char16_t* text) const override;
    bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const override;
};

// The codec every conversion uses; Windows-1251 until another is installed.
const AnsiCodec& SystemAnsiCodec();
void SetSystemAnsiCodec(const AnsiCodec* codec);
