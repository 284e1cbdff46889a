// The ANSI code page of the plug-in's users (Windows-1251) and UTF-16.
#include <gtest/gtest.h>

#include "base/ansi_codec.h"
#include "text/wide_string.h"

namespace {

TEST(AnsiCodec, Windows1251Cyrillic) {
    WideString s;
    s.AssignAnsi("\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0 \xA8\xB8 \xB9");
    EXPECT_EQ(s.ToU16(), u"Бегущая строка Ёё №");
    EXPECT_EQ(Cp1251Codec().FromUtf16(u"Файл не найден"), "\xD4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED");
}

}  // namespace
