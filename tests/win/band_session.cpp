#include "tests/win/band_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kWidth = 768, kHeight = 576;
constexpr size_t kGuard = 4096;

}  // namespace

// A face with Latin, Cyrillic, Greek, Chinese, Japanese and Korean letters,
// so that a wrong letter in any of them shows.
const char kBandStyle[] = "LineOn=1\r\nInterlace=0\r\nSpeed=4\r\nLinePosY=300\r\nBackColor=0\r\nBackOpacity=100\r\n"
                          "TextColor=16777215\r\nTextOpacity=100\r\nShadowOffset=0\r\nDate=0\r\nTime=0\r\nTitle=1\r\n"
                          "FontName=WenQuanYi Micro Hei\r\n";

std::string LogPath() { return ExeFolder() + "Plugins\\Mivra_Skimrow.log"; }

std::string Ansi(const std::u16string& text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int n = WideCharToMultiByte(1251, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(1251, 0, wide, int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool Has(const std::string& log, const std::string& line) { return log.find(" - " + line + "\r\n") != std::string::npos; }

Session::Session(const std::string& iniBytes) {
    WriteFileBytes(Plugin::IniPath(), iniBytes);
    plugin_->Init(nullptr);
    StartInfo start = {kWidth, kHeight, 0, 1, 6};
    plugin_->Start(&start);
}

void Session::Close() {
    if (closed_) return;
    closed_ = true;
    plugin_->Stop();
    plugin_->Shutdown();
}

void Session::Restart() {
    plugin_->Stop();
    StartInfo start = {kWidth, kHeight, 0, 1, 6};
    plugin_->Start(&start);
}

void Session::Draw() {
    buffer_.assign(kGuard * 2 + size_t(kWidth) * kHeight * 3, 0xA5);
    std::fill(buffer_.begin() + kGuard, buffer_.end() - kGuard, uint8_t(40));
    FrameInfo info = {buffer_.data() + kGuard};
    EXPECT_EQ(plugin_->ProcessFrame(&info), 1);
    const bool intact = std::all_of(buffer_.begin(), buffer_.begin() + kGuard, [](uint8_t b) { return b == 0xA5; }) &&
                        std::all_of(buffer_.end() - kGuard, buffer_.end(), [](uint8_t b) { return b == 0xA5; });
    EXPECT_TRUE(intact) << "written outside the frame";
}

const uint8_t* Session::frame() const { return buffer_.data() + kGuard; }

std::vector<uint8_t> Session::Frame() {
    Draw();
    return std::vector<uint8_t>(frame(), frame() + size_t(kWidth) * kHeight * 3);
}

namespace {

constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 3;

bool HasText(const uint8_t* f) { return std::any_of(f, f + kFrameBytes, [](uint8_t b) { return b > 128; }); }

uint64_t Hash(const uint8_t* f) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i + 8 <= kFrameBytes; i += 8) {
        uint64_t w;
        std::memcpy(&w, f + i, 8);
        h = (h ^ w) * 1099511628211ull;
    }
    return h;
}

}  // namespace

Frames Session::TextFrames(int count, DWORD waitMs) {
    Frames frames;
    const DWORD begin = GetTickCount();
    while (frames.empty() && GetTickCount() - begin < waitMs) {
        std::vector<uint8_t> f = Frame();
        if (HasText(f.data())) frames.push_back(std::move(f));
        else Sleep(10);
    }
    while (!frames.empty() && int(frames.size()) < count) frames.push_back(Frame());
    return frames;
}

std::vector<uint64_t> Session::TextFrameHashes(int count, DWORD waitMs) {
    std::vector<uint64_t> hashes;
    const DWORD begin = GetTickCount();
    while (hashes.empty() && GetTickCount() - begin < waitMs) {
        Draw();
        if (HasText(frame())) hashes.push_back(Hash(frame()));
        else Sleep(10);
    }
    while (!hashes.empty() && int(hashes.size()) < count) {
        Draw();
        hashes.push_back(Hash(frame()));
    }
    return hashes;
}

Frames StringFrames(const std::u16string& text) {
    Session s(std::string("[PluginSettings]\r\n") + kBandStyle + "Str_000=" + Ansi(text) + "\r\n");
    return s.TextFrames(25, 2000);
}

Frames TextFileFrames(const std::u16string& text) {
    const std::string path = ExeFolder() + "expected_text.txt";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteFileBytes(path, bytes);
    Frames frames;
    {
        Session s(std::string("[PluginSettings]\r\n") + kBandStyle + "StringSource=1\r\nFile_000=" + path + "\r\n");
        frames = s.TextFrames(25, 2000);
    }
    DeleteFileA(path.c_str());
    return frames;
}

std::string FeedIni(const std::string& path, const char* extra) {
    // A whole address (any scheme) as it is, a path on the local feed server.
    const std::string url = path.find("://") != std::string::npos ? path : FeedServer() + path;
    // `extra` first: of a repeated key the first holds
    return std::string("[PluginSettings]\r\n") + extra + kBandStyle + "StringSource=2\r\nURL_000=" + url + "\r\n";
}

FeedRun RunFeed(const std::string& pathOrUrl, DWORD waitMs, const char* extra) {
    FeedRun run;
    {
        Session s(FeedIni(pathOrUrl, extra));
        run.frames = s.TextFrames(25, waitMs);
    }
    run.log = ReadFileBytes(LogPath());  // the next Start empties it
    run.savedIni = ReadFileBytes(Plugin::IniPath());
    return run;
}

std::string ExpectFeedShows(const std::string& pathOrUrl, const std::u16string& expected, DWORD waitMs,
                            const char* extra) {
    const FeedRun run = RunFeed(pathOrUrl, waitMs, extra);
    EXPECT_FALSE(run.frames.empty()) << pathOrUrl << ": nothing shown";
    if (!run.frames.empty()) {
        EXPECT_TRUE(run.frames == StringFrames(expected)) << pathOrUrl << ": another text is shown";
    }
    return run.log;
}

std::string SavedValue(const std::string& ini, const std::string& key) {
    const size_t at = ini.find("\r\n" + key + "=");
    if (at == std::string::npos) return std::string();
    const size_t from = at + key.size() + 3;
    return ini.substr(from, ini.find("\r\n", from) - from);
}

uint64_t LocalStampOfUtc(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME utc = {};
    utc.wYear = WORD(year), utc.wMonth = WORD(month), utc.wDay = WORD(day);
    utc.wHour = WORD(hour), utc.wMinute = WORD(minute), utc.wSecond = WORD(second);
    SYSTEMTIME local;
    FILETIME stamp;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) || !SystemTimeToFileTime(&local, &stamp)) return 0;
    return uint64_t(stamp.dwHighDateTime) << 32 | stamp.dwLowDateTime;
}
