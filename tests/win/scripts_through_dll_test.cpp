// Every script on air, through the DLL as a host runs it, in the band's
// default face: Arabic joined, Thai and emoji as their own glyphs from the
// installed fonts that hold them, Hebrew with digits in reading order, and
// a Russian line exactly as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/win/band_session.h"

namespace {

constexpr int kWidth = 768, kHeight = 576;

// White on black in the default face; every character's line from a UTF-16
// text file.
std::vector<uint8_t> LineFrame(const std::u16string& text) {
    const std::string path = ExeFolder() + "script_line.txt";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteFileBytes(path, bytes);
    Frames frames;
    {
        Session s(std::string("[PluginSettings]\r\nFontName=Arial\r\n") + kBandStyle + "StringSource=1\r\nFile_000=" +
                  path + "\r\n");
        frames = s.TextFrames(60, 2000);  // whole on the band by then
    }
    DeleteFileA(path.c_str());
    return frames.empty() ? std::vector<uint8_t>() : frames.back();
}

// Grey level at (x, y), y from the top (RGB rows come bottom-up).
uint8_t Level(const std::vector<uint8_t>& f, int x, int y) { return f[size_t(kHeight - 1 - y) * kWidth * 3 + size_t(x) * 3 + 1]; }
bool Ink(const std::vector<uint8_t>& f, int x, int y) { return Level(f, x, y) > 96; }

// Shapes of ink touching at least diagonally.
int Shapes(const std::vector<uint8_t>& f) {
    std::vector<char> seen(size_t(kWidth) * kHeight);
    int shapes = 0;
    std::vector<int> stack;
    for (int start = 0; start < kWidth * kHeight; ++start) {
        if (seen[size_t(start)] || !Ink(f, start % kWidth, start / kWidth)) continue;
        ++shapes;
        stack.assign(1, start);
        seen[size_t(start)] = 1;
        while (!stack.empty()) {
            const int p = stack.back(), x = p % kWidth, y = p / kWidth;
            stack.pop_back();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy, q = ny * kWidth + nx;
                    if (nx < 0 || ny < 0 || nx >= kWidth || ny >= kHeight || seen[size_t(q)] || !Ink(f, nx, ny)) continue;
                    seen[size_t(q)] = 1;
                    stack.push_back(q);
                }
        }
    }
    return shapes;
}

// The frame's glyphs: its columns of ink between blank columns, each with
// the band's rows.
struct Glyph {
    int left = 0;
    std::vector<uint8_t> pixels;  // column after column
    bool operator==(const Glyph& o) const { return pixels == o.pixels; }
};

std::vector<Glyph> Glyphs(const std::vector<uint8_t>& f, int top, int bottom) {
    std::vector<Glyph> glyphs;
    bool open = false;
    for (int x = 0; x < kWidth; ++x) {
        bool inked = false;
        for (int y = top; y < bottom && !inked; ++y) inked = Level(f, x, y) > 0;
        if (!inked) {
            open = false;
            continue;
        }
        if (!open) glyphs.push_back(Glyph{x, {}});
        open = true;
        for (int y = top; y < bottom; ++y) glyphs.back().pixels.push_back(Level(f, x, y));
    }
    return glyphs;
}

// The band's rows: where the black band lies over the grey frame.
void BandRows(const std::vector<uint8_t>& f, int* top, int* bottom) {
    *top = 0;
    while (*top < kHeight && Level(f, 0, *top) != 0) ++*top;
    *bottom = *top;
    while (*bottom < kHeight && Level(f, 0, *bottom) == 0) ++*bottom;
}

std::vector<Glyph> GlyphsOf(const std::u16string& text) {
    const std::vector<uint8_t> f = LineFrame(text);
    if (f.empty()) return {};
    int top, bottom;
    BandRows(f, &top, &bottom);
    return Glyphs(f, top, bottom);
}

TEST(ScriptsThroughTheDll, AnArabicWordIsOneJoinedShape) {
    const std::vector<uint8_t> f = LineFrame(u"\u0645\u062d\u0645\u062f");  // four letters, no dots
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(Shapes(f), 1);
}

TEST(ScriptsThroughTheDll, ThaiAndEmojiAreDistinctGlyphsNotBoxes) {
    const std::vector<Glyph> box = GlyphsOf(u"\u0378");  // a character no font has
    ASSERT_EQ(box.size(), 1u);
    for (const char16_t* line : {u"\u0e01 \u0e02 \u0e04 \u0e07", u"😀 🔥 ✅ 🌍"}) {
        const std::vector<Glyph> glyphs = GlyphsOf(line);
        ASSERT_EQ(glyphs.size(), 4u) << std::u16string(line).size();
        for (size_t i = 0; i < glyphs.size(); ++i) {
            EXPECT_FALSE(glyphs[i] == box[0]) << "glyph " << i << " is a box";
            for (size_t j = i + 1; j < glyphs.size(); ++j) EXPECT_FALSE(glyphs[i] == glyphs[j]) << i << " and " << j;
        }
    }
}

TEST(ScriptsThroughTheDll, HebrewWithDigitsReadsRightToLeftWithTheNumberLeftToRight) {
    const std::u16string first = u"\u05e9\u05dc\u05d5\u05dd", second = u"\u05e2\u05d5\u05dc\u05dd";
    const std::vector<Glyph> line = GlyphsOf(first + u" 123 " + second);
    const std::vector<Glyph> one = GlyphsOf(first), two = GlyphsOf(second), number = GlyphsOf(u"123");
    ASSERT_FALSE(line.empty());
    ASSERT_FALSE(one.empty());
    ASSERT_FALSE(two.empty());
    ASSERT_FALSE(number.empty());
    // Each piece as it looks alone, in the line from right to left: the
    // second word leftmost, then the number, then the first word.
    const auto at = [&](const std::vector<Glyph>& piece) {
        for (size_t i = 0; i + piece.size() <= line.size(); ++i)
            if (std::equal(piece.begin(), piece.end(), line.begin() + long(i))) return int(i);
        return -1;
    };
    const int left = at(two), middle = at(number), right = at(one);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(middle, int(two.size()));
    EXPECT_EQ(right, int(two.size() + number.size()));
    EXPECT_EQ(line.size(), one.size() + two.size() + number.size());
}

// FNV-1a over the hashes of 150 frames of two Russian lines in the default
// style (interlaced fields, shadow, translucent band and text), recorded
// from the build before layouts and fallback fonts.
constexpr uint64_t kRussianFrames = 0xe88df72fd8cb34f5ull;

TEST(ScriptsThroughTheDll, ARussianLineIsDrawnAsBefore) {
    const std::string path = ExeFolder() + "russian_lines.txt";
    const std::u16string text = u"Бегущая строка: новости часа\r\nВ Москве без осадков, +3°, «ясно» — ёлки\r\n";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteFileBytes(path, bytes);
    std::vector<uint64_t> hashes;
    {
        Session s("[PluginSettings]\r\nLineOn=1\r\nStringSource=1\r\nFile_000=" + path + "\r\n");
        hashes = s.TextFrameHashes(150, 2000);
    }
    DeleteFileA(path.c_str());
    ASSERT_EQ(hashes.size(), 150u);
    uint64_t digest = 1469598103934665603ull;
    for (uint64_t h : hashes) digest = (digest ^ h) * 1099511628211ull;
    EXPECT_EQ(digest, kRussianFrames) << std::hex << "0x" << digest;
}

}  // namespace
