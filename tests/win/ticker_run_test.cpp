// The ticker running through the DLL's entry points, as the host drives it.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/plugin_harness.h"

namespace {

struct TickerRunner {
    Plugin plugin;
    int32_t width, height, format;
    TickerRunner(const std::string& ini, int32_t w, int32_t h, int32_t fmt) : width(w), height(h), format(fmt) {
        WriteFileBytes(Plugin::IniPath(), "[PluginSettings]\r\n" + ini);
        plugin->Init(nullptr);
        StartInfo start = {w, h, 0, fmt, 6};
        plugin->Start(&start);
    }
    ~TickerRunner() {
        plugin->Stop();
        plugin->Shutdown();
    }
    std::vector<uint8_t> Frame(uint8_t fill) {
        std::vector<uint8_t> f(size_t(width) * height * (format == 0 ? 2 : 3), fill);
        FrameInfo info = {f.data()};
        EXPECT_EQ(plugin->ProcessFrame(&info), 1);
        return f;
    }
    // Top-down row y of an RGB frame.
    const uint8_t* Row(const std::vector<uint8_t>& f, int32_t y) const {
        return f.data() + size_t(height - 1 - y) * width * 3;
    }
};

TEST(TickerRun, TextMovesTwiceTheSpeedAndNothingOutsideTheBandChanges) {
    TickerRunner run("LineOn=1\r\nInterlace=0\r\nSpeed=4\r\nLinePosY=300\r\nStr_000=IIII Бегущая\r\n", 768, 576, 1);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 40; ++i) frames.push_back(run.Frame(50));
    const int32_t top = 300 - 37 / 2, bottom = top + 37;
    int changedRows = 0;
    for (int32_t y = 0; y < 576; ++y) {
        const uint8_t* row = run.Row(frames[39], y);
        bool changed = false;
        for (int32_t i = 0; i < 768 * 3; ++i) changed |= row[i] != 50;
        if (y < top || y >= bottom) {
            ASSERT_FALSE(changed) << "row " << y;
        }
        changedRows += changed;
    }
    EXPECT_EQ(changedRows, 37);
    // frame k+1 is frame k moved 8 pixels to the left, pixel for pixel
    int compared = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* a = run.Row(frames[30], y);
        const uint8_t* b = run.Row(frames[31], y);
        for (int32_t x = 0; x + 8 < 760; ++x, ++compared)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(b[x * 3 + c], a[(x + 8) * 3 + c]) << x << "," << y;
    }
    EXPECT_GT(compared, 10000);
}

// Leftmost column, over the given rows, that differs from the band's background.
int32_t LeadingEdge(const TickerRunner& run, const std::vector<uint8_t>& f, int32_t from, int32_t to, int parity) {
    int32_t edge = INT32_MAX;
    for (int32_t y = from; y < to; ++y) {
        if ((y & 1) != parity) continue;
        const uint8_t* row = f.data() + size_t(y) * run.width * 2;  // YUY2, top-down
        for (int32_t x = 0; x < run.width; ++x)
            if (row[x * 2] > row[0] + 40) {
                edge = std::min(edge, x);
                break;
            }
    }
    return edge;
}

TEST(TickerRun, FieldsAreDrawnSeparatelyAboveTwoHundredEightyEightLines) {
    const std::string ini = "LineOn=1\r\nSpeed=4\r\nLinePosY=288\r\nBackOpacity=100\r\nBackColor=0\r\n"
                            "TextColor=16777215\r\nTextOpacity=100\r\nShadowOffset=0\r\nStr_000=IIIIIIII\r\n";
    for (int32_t height : {288, 289}) {
        TickerRunner run(ini, 768, height, 0);
        std::vector<uint8_t> f;
        for (int i = 0; i < 30; ++i) f = run.Frame(16);
        const int32_t even = LeadingEdge(run, f, 0, height, 0), odd = LeadingEdge(run, f, 0, height, 1);
        ASSERT_LT(even, 768);
        // the even field is drawn first, one Speed step behind the odd one
        EXPECT_EQ(even - odd, height > 288 ? 4 : 0) << height << " lines";
    }
}

// Rightmost column, over the rows of one field, brighter than the black band
// (Y 16, as the frame around it): the text entering from the left covers the
// first column, so that is no reference.
int32_t TrailingEdge(const TickerRunner& run, const std::vector<uint8_t>& f, int parity) {
    int32_t edge = -1;
    for (int32_t y = parity; y < run.height; y += 2) {
        const uint8_t* row = f.data() + size_t(y) * run.width * 2;  // YUY2, top-down
        for (int32_t x = run.width - 1; x > edge; --x)
            if (row[x * 2] > 16 + 40) {
                edge = x;
                break;
            }
    }
    return edge;
}

// Moving right, each field moves the text by the speed: the odd field one
// step ahead of the even one, a frame two steps on; and a frame without
// fields is the last one moved twice the speed, pixel for pixel.
TEST(TickerRun, MovingRightEveryFieldMovesTheTextRightByTheSpeed) {
    {
        TickerRunner run("LineOn=1\r\nDirection=1\r\nSpeed=4\r\nLinePosY=288\r\nBackOpacity=100\r\nBackColor=0\r\n"
                         "TextColor=16777215\r\nTextOpacity=100\r\nShadowOffset=0\r\nStr_000=IIIIIIII\r\n",
                         768, 576, 0);
        std::vector<int32_t> even, odd;
        for (int i = 0; i < 30; ++i) {
            const std::vector<uint8_t> f = run.Frame(16);
            even.push_back(TrailingEdge(run, f, 0));
            odd.push_back(TrailingEdge(run, f, 1));
        }
        int measured = 0;
        for (size_t i = 1; i < even.size(); ++i) {
            if (even[i - 1] < 0 || even[i] < 0 || odd[i] >= 767) continue;  // not yet on the band, or out at its right
            EXPECT_EQ(odd[i] - even[i], 4) << "frame " << i << ": " << even[i - 1] << " " << even[i] << " " << odd[i];
            EXPECT_EQ(even[i] - even[i - 1], 8) << "frame " << i;
            ++measured;
        }
        EXPECT_GT(measured, 20);
    }
    TickerRunner run("LineOn=1\r\nDirection=1\r\nInterlace=0\r\nSpeed=4\r\nLinePosY=300\r\nStr_000=IIII Бегущая\r\n",
                     768, 576, 1);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 40; ++i) frames.push_back(run.Frame(50));
    const int32_t top = 300 - 37 / 2, bottom = top + 37;
    int compared = 0, inked = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* a = run.Row(frames[30], y);
        const uint8_t* b = run.Row(frames[31], y);
        for (int32_t x = 8; x < 760; ++x, ++compared)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(b[x * 3 + c], a[(x - 8) * 3 + c]) << x << "," << y;
        for (int32_t x = 0; x < 768 * 3; ++x) inked += a[x] != b[x];
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(inked, 0) << "the text is on the band and moving";
}

TEST(TickerRun, StartClearsLineOnWhenRepeatIsSet) {
    {
        TickerRunner run("LineOn=1\r\nRepeat=3\r\nStr_000=x\r\n", 320, 240, 0);
        const auto f = run.Frame(77);
        for (uint8_t b : f) ASSERT_EQ(b, 77);
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(saved.find("\r\nLineOn=0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nRepeat=3\r\n"), std::string::npos);
}

TEST(TickerRun, BandSettingsOutOfRangeAreClampedAndSaved) {
    {
        TickerRunner run("LineOn=1\r\nLineSize=5\r\nLinePosX=0\r\nLinePosY=9999\r\nStr_000=x\r\n", 320, 240, 1);
        run.Frame(0);
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(saved.find("\r\nLineSize=10\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nLinePosX=5\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nLinePosY=557\r\n"), std::string::npos);  // bottom edge on 576: top 539 + 37 / 2
    {
        TickerRunner run("LineOn=1\r\nLineSize=1000\r\nLinePosX=0\r\nStr_000=x\r\n", 320, 240, 1);
        run.Frame(0);
    }
    const std::string again = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(again.find("\r\nLineSize=768\r\n"), std::string::npos);
    EXPECT_NE(again.find("\r\nLinePosX=384\r\n"), std::string::npos);
    DeleteFileA(Plugin::IniPath().c_str());
}

TEST(TickerRun, MissingTextFileAndAllFormatsRunWithoutHarm) {
    TickerRunner run("LineOn=1\r\nStringSource=1\r\nFile_000=C:\\nowhere\\news.txt\r\nLinePosY=100\r\n", 721, 577, 0);
    const auto f = run.Frame(128);
    bool changed = false;
    for (uint8_t b : f) changed |= b != 128;
    EXPECT_TRUE(changed);  // the notice is shown
}

}  // namespace
