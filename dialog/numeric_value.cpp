#include "dialog/numeric_value.h"

#include <cstdio>

#include "base/text.h"

bool ParseDialogInt(const std::u16string& text, int32_t* value) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && text[i] == u'-') negative = true, ++i;
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    *value = int32_t(v);
    return true;
}

std::u16string RangeMessage(int32_t lower, int32_t upper, bool orZero) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%d", lower);
    std::u16string text = u"Значение должно быть числом от " + WidenBytes(numbers);
    std::snprintf(numbers, sizeof numbers, "%d", upper);
    return text + u" до " + WidenBytes(numbers) + (orZero ? u" или 0" : u"");
}
