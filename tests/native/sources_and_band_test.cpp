// The text sources and the composed band's two layers.
#include <gtest/gtest.h>

#include "engine_fixture.h"
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
        BuildFileMessages({dir.File("f.txt"), ""}, 0, l);
        return Texts(l);
    }
};

TEST_F(Sources, FileLinesBecomeMessagesInOrder) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(File("A\n\nB\n"), (V{u"A", u"", u"B"}));
    EXPECT_EQ(File("A\r\nB"), (V{u"A", u"B"}));
    EXPECT_EQ(File("A\r\n"), (V{u"A"}));
    EXPECT_EQ(File(""), (V{u""}));
    EXPECT_EQ(File("\n"), (V{u""}));
    EXPECT_EQ(File("\xCD\xEE\xE2\xEE\xF1\xF2\xE8"), (V{u"Новости"}));
    EXPECT_EQ(File(std::string("a\0b\n", 4)), (V{u"ab"}));
    // "Unicode" files: UTF-16 after its byte-order mark, either byte order,
    // a line end split across reads, an odd last byte dropped.
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (char16_t c : std::u16string(u"Привет\r\n\nМир")) {
        le += char(c & 0xFF), le += char(c >> 8);
        be += char(c >> 8), be += char(c & 0xFF);
    }
    EXPECT_EQ(File(le), (V{u"Привет", u"", u"Мир"}));
    EXPECT_EQ(File(be), (V{u"Привет", u"", u"Мир"}));
    EXPECT_EQ(File(le + "\x41"), (V{u"Привет", u"", u"Мир"}));
    EXPECT_EQ(File(std::string("\xFF\xFE", 2)), (V{u""}));
    std::string longLine("\xFF\xFE", 2);
    for (int i = 0; i < 40000; ++i) longLine += std::string("a\0", 2);  // crosses the 64 KB read
    longLine += std::string("\n\0b\0", 4);
    const V two = File(longLine);
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
    BuildFileMessages({dir.File("nope.txt"), ""}, 0, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"Файл не найден"});
    BuildFileMessages({""}, 5, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"Файл не найден"});
    BuildStringMessages({"one", "two", ""}, 1, l);
    EXPECT_EQ(Texts(l), std::vector<std::u16string>{u"two"});
    BuildStringMessages({"one", ""}, -3, l);
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

// The block renderer draws a character of the default font (-31) as a cell
// 20 wide and 34 high whose ink spans x + 3 .. x + 16 and rows 5 .. 28.
struct Band : ::testing::Test, EngineFixture {
    void Compose(const char* text) {
        store.strings = {text, ""};
        Start();
        playback.StartPlayback(RunBy::User);
        playback.Segments()[0].x = 10;
        renderer.texts = 0;
        ComposeBand();
    }
    const uint8_t* Px(int32_t x, int32_t y) { return EngineFixture::Band().Surface().Slot(0).At(x, y); }
};

TEST_F(Band, OpaqueTextOverAClearBackground) {
    store.live.BackOpacity = 0;
    store.live.TextOpacity = 100;
    store.live.TextColor = 0x0000FF;  // red
    store.live.ShadowOffset = 0;
    Compose("H");
    EXPECT_EQ(Metrics().shadowOffset, 0);
    EXPECT_EQ(store.live.BandHeight, Metrics().textHeight);
    EXPECT_EQ(renderer.texts, 2);  // no shadow in either layer
    const uint8_t* bg = Px(2, 2);
    EXPECT_EQ(bg[0] | bg[1] | bg[2] | bg[3], 0);
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[2], 255);
    EXPECT_EQ(ink[0], 0);
    EXPECT_EQ(ink[3], 255);
    EXPECT_EQ(EngineFixture::Band().Surface().CurrentIndex(), 0);
    EXPECT_EQ(EngineFixture::Band().Surface().Current().used.right, 768);
}

TEST_F(Band, OpacitiesAndTheShadow) {
    store.live.TextOpacity = 50;
    store.live.BackOpacity = 80;
    store.live.ShadowOffset = 20;  // MulDiv(34, 20, 100) = 7 pixels
    Compose("H");
    EXPECT_EQ(Metrics().shadowOffset, 7);
    EXPECT_EQ(store.live.BandHeight, 41);
    const uint8_t* bg = Px(2, 2);
    EXPECT_EQ(bg[0], 0x4D);  // 0x60 * 80 % = 76.8
    EXPECT_EQ(bg[3], 204);   // 255 * 80 %
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[0], 96);  // 192 at 50 %
    EXPECT_EQ(ink[3], 128);
    const uint8_t* shadow = Px(31, 30);  // right of and below the ink, inside the shadow
    EXPECT_EQ(shadow[0] | shadow[1] | shadow[2], 0);
    EXPECT_EQ(shadow[3], 128);
    EXPECT_EQ(renderer.texts, 4);
}

TEST_F(Band, WithoutContentOnlyTheBackgroundIsPainted) {
    store.live.StringSource = 7;  // no source: a user run shows its background
    Start();
    playback.StartPlayback(RunBy::User);
    renderer.texts = 0;
    {
        LockGuard guard(lock);
        playback.AppendSegmentLocked();
    }
    EXPECT_EQ(playback.Segments().Count(), 0);
    ComposeBand();
    EXPECT_EQ(renderer.texts, 0);
    EXPECT_EQ(Px(100, 10)[3], 204);
}

}  // namespace
