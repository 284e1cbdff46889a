// Conversion from the system's ANSI code page to UTF-16. The DLL installs a
// codec over the platform's conversion; the native build has Windows-1251.
#pragma once
#include <string>

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    virtual std::u16string ToUtf16(const char* text) const = 0;
    virtual std::string FromUtf16(const char16_t* text) const = 0;
};

// Windows-1251, as on the plug-in's users' systems.
class Cp1251Codec final : public AnsiCodec {
public:
    std::u16string ToUtf16(const char* text) const override;
    std::string FromUtf16(const char16_t* text) const override;
};

// The codec every conversion uses; Windows-1251 until another is installed.
const AnsiCodec& SystemAnsiCodec();
void SetSystemAnsiCodec(const AnsiCodec* codec);
