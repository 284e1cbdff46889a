#include "text/wide_string.h"

#include "base/ansi_codec.h"


WideString& WideString::operator=(const char16_t* text) {
    if (text) text_.assign(text);  // the text may lie inside this string
    else text_.clear();
    return *this;
}

WideString& WideString::operator=(std::u16string text) {
    text_ = std::move(text);
    CutAtNul();
    return *this;
}

void WideString::AssignAnsi(const char* text) { *this = SystemAnsiCodec().ToUtf16(text ? text : ""); }

void WideString::Append(const char16_t* text) {
    if (text) text_.append(text);
}

void WideString::Append(const std::u16string& text) { text_.append(text, 0, text.find(u'\0')); }

void WideString::CutAtNul() {
    const size_t nul = text_.find(u'\0');
    if (nul != std::u16string::npos) text_.resize(nul);
}

void WideString::StripTags(char16_t open, char16_t close) {
    size_t from = 0;
    for (;;) {
        const size_t start = text_.find(open, from);
        if (start == std::u16string::npos) return;
        const size_t end = text_.find(close, start + 1);
        if (end == std::u16string::npos) return;
        text_.erase(start, end + 1 - start);
        from = start;
    }
}
