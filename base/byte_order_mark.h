// A text's byte-order mark, as files and feeds begin with one.
#pragma once
#include <cstddef>

struct ByteOrderMark {
    enum Kind { None, Utf8, Utf16 } kind = None;
    bool bigEndian = false;  // Utf16
    size_t length = 0;       // bytes to skip
};

inline ByteOrderMark SniffByteOrderMark(const char* bytes, size_t size) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    ByteOrderMark m;
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        m.kind = ByteOrderMark::Utf8, m.length = 3;
    } else if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        m.kind = ByteOrderMark::Utf16, m.length = 2, m.bigEndian = b[0] == 0xFE;
    }
    return m;
}
