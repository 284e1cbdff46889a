#include "base/case_fold_win.h"

#include <windows.h>

void WinCaseFolder::Lower(std::u16string& text) const {
    if (text.empty()) return;
    // In pieces: the length is a DWORD, and a headline never needs more.
    for (size_t at = 0; at < text.size(); at += 0x10000) {
        const size_t n = text.size() - at < 0x10000 ? text.size() - at : 0x10000;
        CharLowerBuffW(reinterpret_cast<wchar_t*>(&text[at]), DWORD(n));
    }
}
