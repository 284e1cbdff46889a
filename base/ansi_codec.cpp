#include "base/ansi_codec.h"

namespace {

// Windows-1251 bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
const char16_t kHigh1251[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

const Cp1251Codec kDefaultCodec;
const AnsiCodec* g_codec = &kDefaultCodec;

char16_t From1251(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return char16_t(0x0410 + (b - 0xC0));
    return kHigh1251[b - 0x80];
}

}  // namespace

std::u16string Cp1251Codec::ToUtf16(const char* text) const {
    std::u16string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) out.push_back(From1251(*p));
    return out;
}

bool Cp1251Codec::Decode(uint32_t codePage, const char* bytes, size_t size, bool, std::u16string& out) const {
    if (codePage != kAnsiCodePage && codePage != 1251) return false;
    out.reserve(out.size() + size);
    for (size_t i = 0; i < size; ++i) out.push_back(From1251(static_cast<unsigned char>(bytes[i])));
    return true;
}

std::string Cp1251Codec::FromUtf16(const char16_t* text) const {
    std::string out;
    for (const char16_t* p = text; *p; ++p) {
        const char16_t c = *p;
        if (c < 0x80) out.push_back(char(c));
        else if (c >= 0x0410 && c <= 0x044F) out.push_back(char(0xC0 + (c - 0x0410)));
        else {
            char byte = '?';
            for (int i = 0; i < 64; ++i)
                if (kHigh1251[i] == c) byte = char(0x80 + i);
            out.push_back(byte);
        }
    }
    return out;
}

const AnsiCodec& SystemAnsiCodec() { return *g_codec; }
void SetSystemAnsiCodec(const AnsiCodec* codec) { g_codec = codec ? codec : &kDefaultCodec; }
