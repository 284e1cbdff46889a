#include "base/ansi_codec_win.h"

#include <windows.h>

std::u16string WinAnsiCodec::ToUtf16(const char* text) const {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::u16string();
    std::u16string out(size_t(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(&out[0]), n);
    out.resize(size_t(n - 1));
    return out;
}

std::string WinAnsiCodec::FromUtf16(const char16_t* text) const {
    const wchar_t* w = reinterpret_cast<const wchar_t*>(text);
    const int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, &out[0], n, nullptr, nullptr);
    out.resize(size_t(n - 1));
    return out;
}

bool WinAnsiCodec::Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const {
    if (size == 0) return IsValidCodePage(codePage == kAnsiCodePage ? GetACP() : codePage) != FALSE;
    if (size > 0x7FFFFFFF) return false;
    const UINT page = codePage == kAnsiCodePage ? CP_ACP : codePage;
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int n = MultiByteToWideChar(page, flags, bytes, int(size), nullptr, 0);
    if (n <= 0) return false;  // no such code page, or an undefined sequence
    const size_t at = out.size();
    out.resize(at + size_t(n));
    MultiByteToWideChar(page, flags, bytes, int(size), reinterpret_cast<wchar_t*>(&out[at]), n);
    return true;
}
