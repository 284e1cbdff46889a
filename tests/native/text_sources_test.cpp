// The string and text-file sources: which messages a list entry becomes.
#include <gtest/gtest.h>

#include "sources/text_sources.h"
#include "test_files.h"

namespace {

std::vector<std::u16string> Texts(const MessageList& l) {
    std::vector<std::u16string> out;
    for (int32_t i = 0; i < l.Count(); ++i) out.push_back(l[i].displayText.ToU16());
    return out;
}

struct Sources : ::testing::Test {
    TempDir dir;
    std::vector<std::u16string> File(const std::string& bytes) {
        WriteBytes(dir.File("f.txt"), bytes);
        MessageList l;
        const std::string path = dir.File("f.txt");
        BuildFileMessages(&path, l);
        return Texts(l);
    }
};

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char16_t c : text) {
        const char high = char(c >> 8), low = char(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST_F(Sources, FileLinesBecomeMessagesInOrder) {
    using V = std::vector<std::u16string>;
    const std::string le = Utf16(u"Привет\r\n\nМир", false);
    const struct {
        const char* what;
        std::string bytes;
        V lines;
    } cases[] = {
        {"an empty line stays", "A\n\nB\n", {u"A", u"", u"B"}},
        {"CR LF, a last line without an end", "A\r\nB", {u"A", u"B"}},
        {"one ended line", "A\r\n", {u"A"}},
        {"an empty file", "", {u""}},
        {"one empty line", "\n", {u""}},
        {"the ANSI code page", "\xCD\xEE\xE2\xEE\xF1\xF2\xE8", {u"Новости"}},
        {"NUL dropped", std::string("a\0b\n", 4), {u"ab"}},
        // "Unicode" files: UTF-16 after its byte-order mark, either byte
        // order, an odd last byte dropped.
        {"UTF-16 LE", le, {u"Привет", u"", u"Мир"}},
        {"UTF-16 BE", Utf16(u"Привет\r\n\nМир", true), {u"Привет", u"", u"Мир"}},
        {"UTF-16 with an odd byte", le + "\x41", {u"Привет", u"", u"Мир"}},
        {"a byte-order mark alone", std::string("\xFF\xFE", 2), {u""}},
    };
    for (const auto& c : cases) EXPECT_EQ(File(c.bytes), c.lines) << c.what;
}

TEST_F(Sources, ALineEndSplitAcrossReadsEndsItsLine) {
    std::string longLine("\xFF\xFE", 2);
    for (int i = 0; i < 40000; ++i) longLine += std::string("a\0", 2);  // crosses the 64 KB read
    longLine += std::string("\n\0b\0", 4);
    const std::vector<std::u16string> two = File(longLine);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], std::u16string(40000, u'a'));
    EXPECT_EQ(two[1], u"b");
}

TEST_F(Sources, Utf8FilesAreReadAsUtf8AndAnsiFilesAsBefore) {
    using V = std::vector<std::u16string>;
    const struct {
        std::string bytes;
        V lines;
    } cases[] = {
        {"\xEF\xBB\xBF\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8\r\n\xE2\x82\xAC 5", V{u"Новости", u"€ 5"}},
        {"\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8\n\nfin\n", V{u"Новости", u"", u"fin"}},
        {"\xEF\xBB\xBFplain", V{u"plain"}},
        {"\xEF\xBB\xBF", V{u""}},
        // with a mark, a broken sequence is one replacement character
        {"\xEF\xBB\xBF" "a\xC3" "b", V{u"a\uFFFDb"}},
        // Windows-1251 that happens to hold no valid UTF-8 stays Windows-1251
        {"\xCD\xEE\xE2\xEE\xF1\xF2\xE8 \xD0\x9D", V{u"Новости Рќ"}},
        {"\xC2\xE0\xF1\xFF", V{u"Вася"}},
        {"ASCII only\r\n", V{u"ASCII only"}},
        {std::string("\xD0\x96\0\xD0\x96", 5), V{u"ЖЖ"}},
    };
    for (const auto& c : cases) EXPECT_EQ(File(c.bytes), c.lines) << c.bytes;
}

TEST_F(Sources, MissingFilesAndIndexesOffTheListShowOneMessage) {
    MessageList l;
    const std::string missing = dir.File("nope.txt"), empty, two = "two";
    BuildFileMessages(&missing, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"Файл не найден"});
    BuildFileMessages(&empty, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"Файл не найден"});
    BuildFileMessages(nullptr, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"Файл не найден"});
    BuildStringMessages(&two, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"two"});
    BuildStringMessages(nullptr, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u""});
}

TEST_F(Sources, HugeAndLongFilesLoad) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "line " + std::to_string(i) + "\n";
    auto lines = File(many);
    ASSERT_EQ(lines.size(), 100000u);
    EXPECT_EQ(lines[99999], u"line 99999");
    lines = File(std::string(100000, 'x'));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 100000u);
    std::string binary;
    for (int i = 0; i < 300000; ++i) binary.push_back(char(i * 13));
    EXPECT_FALSE(File(binary).empty());
}

}  // namespace
