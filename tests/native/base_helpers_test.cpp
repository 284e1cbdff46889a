// What every room shares from base/: ASCII case that leaves other letters
// alone, XML's white space, byte-order marks and 32-bit saturation.
#include <gtest/gtest.h>

#include <string>

#include "base/ascii.h"
#include "base/byte_order_mark.h"
#include "base/saturate.h"

namespace {

TEST(Ascii, OnlyAsciiLettersFoldAndNamesMatchWhole) {
    EXPECT_EQ(AsciiLowerCopy(std::string("KOI8-R; Charset=UTF-8")), "koi8-r; charset=utf-8");
    // Latin-1 and Cyrillic capitals, and the bytes of other encodings, stay.
    EXPECT_EQ(AsciiLowerCopy(std::u16string(u"ÀЖZ")), u"ÀЖz");
    EXPECT_EQ(AsciiLowerCopy(std::string("\xC0\xDA@[")), "\xC0\xDA@[");
    EXPECT_TRUE(SameIgnoringAsciiCase(std::u16string(u"PUBDATE"), u"pubDate"));
    EXPECT_FALSE(SameIgnoringAsciiCase(std::u16string(u"pubDates"), u"pubDate"));
    EXPECT_FALSE(SameIgnoringAsciiCase(std::u16string(u"pub"), u"pubDate"));
    EXPECT_FALSE(SameIgnoringAsciiCase(std::string("GMT"), "GMU"));
    EXPECT_TRUE(SameIgnoringAsciiCase(std::string(""), ""));
}

TEST(Ascii, XmlSpaceIsFourCharactersInBytesAndUtf16) {
    for (char16_t c : {u' ', u'\t', u'\r', u'\n'}) EXPECT_TRUE(IsXmlSpace(c));
    for (char16_t c : {u'\v', u'\f', u'\xA0', u'\x2028', u'\xFEFF', u'x'}) EXPECT_FALSE(IsXmlSpace(c)) << int(c);
    EXPECT_TRUE(IsXmlSpace(static_cast<unsigned char>('\n')));
    EXPECT_FALSE(IsXmlSpace(static_cast<unsigned char>(0xA0)));
}

TEST(ByteOrderMarks, EachMarkWhole) {
    const struct {
        std::string bytes;
        ByteOrderMark::Kind kind;
        bool bigEndian;
        size_t length;
    } cases[] = {
        {"\xEF\xBB\xBF<", ByteOrderMark::Utf8, false, 3},
        {"\xEF\xBB", ByteOrderMark::None, false, 0},  // cut short
        {"\xFF\xFE<\0", ByteOrderMark::Utf16, false, 2},
        {"\xFE\xFF\0<", ByteOrderMark::Utf16, true, 2},
        {"\xFE", ByteOrderMark::None, false, 0},
        {"<?xml", ByteOrderMark::None, false, 0},
        {"", ByteOrderMark::None, false, 0},
    };
    for (const auto& c : cases) {
        const ByteOrderMark m = SniffByteOrderMark(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(m.kind, c.kind) << c.bytes;
        EXPECT_EQ(m.bigEndian, c.bigEndian) << c.bytes;
        EXPECT_EQ(m.length, c.length) << c.bytes;
    }
}

TEST(Saturate, KeepsTheInt32RangeInsteadOfWrapping) {
    EXPECT_EQ(SaturateInt32(int64_t(INT32_MAX) + 1), INT32_MAX);
    EXPECT_EQ(SaturateInt32(int64_t(INT32_MIN) - 1), INT32_MIN);
    EXPECT_EQ(SaturateInt32(INT64_MAX), INT32_MAX);
    EXPECT_EQ(SaturateInt32(-5), -5);
}

}  // namespace
