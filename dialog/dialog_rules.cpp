#include "dialog/dialog_rules.h"

#include "base/saturate.h"

void PlaceDialog(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight, const Rect& d,
                 const Rect& h, int32_t* x, int32_t* y) {
    const bool neverPlaced = storedX == kNeverPlaced && storedY == kNeverPlaced;
    if (!neverPlaced && storedX < screenWidth && storedY < screenHeight) {
        *x = storedX, *y = storedY;
        return;
    }
    // 64-bit sums: window rectangles near the coordinate limits cannot overflow.
    const int64_t cx = int64_t(d.left) + (int64_t(h.left) + h.right) / 2 - (int64_t(d.left) + d.right) / 2;
    const int64_t cy = int64_t(d.top) + (int64_t(h.top) + h.bottom) / 2 - (int64_t(d.top) + d.bottom) / 2;
    *x = cx < 0 ? 0 : SaturateInt32(cx);
    *y = cy < 0 ? 0 : SaturateInt32(cy);
}

int32_t CommitComboEdit(StringList& list, int32_t index, const std::string& text) {
    if (list.empty() || !list.back().empty()) list.push_back(std::string());
    const int32_t n = int32_t(list.size());
    const int32_t last = n - 1;
    const int32_t i = (index < 0 || index > last) ? last : index;
    list.erase(list.begin() + i);
    if (!text.empty()) {
        list.insert(list.begin() + i, text);
        if (i == last) list.push_back(std::string());
        return i;
    }
    if (i == last) {
        list.push_back(std::string());
        return i;
    }
    return n - 2;  // the trailing empty entry after the deletion
}

std::u16string KeyCharacters(const std::u16string& typed) {
    std::u16string kept;
    for (char16_t c : typed)
        if (c > u' ' && c < 0x7F) kept += c;
    return kept;
}

int32_t AddFileToList(StringList& files, const std::string& path) {
    if (files.empty() || !files.back().empty()) files.push_back(std::string());
    const int32_t at = int32_t(files.size()) - 1;
    files.insert(files.begin() + at, path);
    return at;
}
