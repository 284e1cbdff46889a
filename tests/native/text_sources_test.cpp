// The string and text-file sources: which messages a list entry becomes.
#include <gtest/gtest.h>

#include <functional>

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

namespace {

// A file system whose file a test changes between looks, and while it is
// being read.
struct FakeDisk : FileProbe {
    FileStamp stamp{true, 100, 6};
    std::string bytes = "first\n";
    bool locked = false;
    std::function<void()> duringRead;  // a writer at work while the file is read
    int reads = 0;
    FileStamp Stamp(const std::string&) override { return stamp; }
    bool Read(const std::string&, std::string& out) override {
        ++reads;
        if (locked) return false;
        out = bytes;
        if (duringRead) duringRead(), duringRead = nullptr;
        return true;
    }
    void Save(const std::string& text, uint64_t time) { bytes = text, stamp = {true, time, text.size()}; }
};

TEST(TextFileWatchTest, AChangedFileIsReadOnceAndOnlyWholeWhatIsGoneStaysOnAir) {
    FakeDisk disk;
    TextFileWatch watch("news.txt", disk.stamp);  // the stamp of the run's own read
    MessageList l;
    EXPECT_FALSE(watch.Look(disk, l));
    EXPECT_EQ(disk.reads, 0) << "an unchanged file is not read";

    disk.Save("second\n", 200);  // a new file renamed over the old one
    ASSERT_TRUE(watch.Look(disk, l));
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"second"});
    EXPECT_FALSE(watch.Look(disk, l)) << "read once per change";

    disk.Save("thi", 300);  // caught half-written: the writer goes on meanwhile
    disk.duringRead = [&] { disk.Save("third\n", 301); };
    EXPECT_FALSE(watch.Look(disk, l));
    ASSERT_TRUE(watch.Look(disk, l)) << "tried again at the next look";
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"third"});

    disk.Save("fourth\n", 400);
    disk.locked = true;  // an editor holds the file
    EXPECT_FALSE(watch.Look(disk, l));
    disk.locked = false;
    ASSERT_TRUE(watch.Look(disk, l));
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"fourth"});

    disk.stamp = FileStamp();  // deleted: no notice, nothing new
    const int reads = disk.reads;
    EXPECT_FALSE(watch.Look(disk, l));
    EXPECT_EQ(disk.reads, reads);
    disk.Save("fifth\n", 500);  // and back
    ASSERT_TRUE(watch.Look(disk, l));
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"fifth"});

    TextFileWatch late("late.txt", FileStamp());  // missing when the run started
    disk.Save("", 600);
    ASSERT_TRUE(late.Look(disk, l));
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u""}) << "an empty file shows one empty message, as at a start";
}

}  // namespace
