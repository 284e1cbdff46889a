#include "tests/win/band_session.h"

#include <algorithm>

std::string LogPath() { return ExeFolder() + "Plugins\\Mivra_Skimrow.log"; }

std::string Ansi(const std::u16string& text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int n = WideCharToMultiByte(1251, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(1251, 0, wide, int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

const char kStyle[] = "LineOn=1\r\nInterlace=0\r\nSpeed=4\r\nLinePosY=300\r\nBackColor=0\r\nBackOpacity=100\r\n"
                      "TextColor=16777215\r\nTextOpacity=100\r\nShadowOffset=0\r\nDate=0\r\nTime=0\r\nTitle=1\r\n";

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

std::vector<uint8_t> Session::Frame() {
    std::vector<uint8_t> buffer(kGuard * 2 + size_t(kWidth) * kHeight * 3, 0xA5);
    std::fill(buffer.begin() + kGuard, buffer.end() - kGuard, uint8_t(40));
    FrameInfo info = {buffer.data() + kGuard};
    EXPECT_EQ(plugin_->ProcessFrame(&info), 1);
    const bool intact = std::all_of(buffer.begin(), buffer.begin() + kGuard, [](uint8_t b) { return b == 0xA5; }) &&
                        std::all_of(buffer.end() - kGuard, buffer.end(), [](uint8_t b) { return b == 0xA5; });
    EXPECT_TRUE(intact) << "written outside the frame";
    return std::vector<uint8_t>(buffer.begin() + kGuard, buffer.end() - kGuard);
}

std::vector<std::vector<uint8_t>> Session::TextFrames(int count, DWORD waitMs) {
    std::vector<std::vector<uint8_t>> frames;
    const DWORD begin = GetTickCount();
    while (frames.empty() && GetTickCount() - begin < waitMs) {
        std::vector<uint8_t> f = Frame();
        if (std::any_of(f.begin(), f.end(), [](uint8_t b) { return b > 128; })) frames.push_back(std::move(f));
        else Sleep(10);
    }
    while (!frames.empty() && int(frames.size()) < count) frames.push_back(Frame());
    return frames;
}

std::vector<std::vector<uint8_t>> StringFrames(const std::u16string& text) {
    Session s(std::string("[PluginSettings]\r\n") + kStyle + "Str_000=" + Ansi(text) + "\r\n");
    return s.TextFrames(25, 2000);
}

std::string FeedIni(const std::string& address, const char* extra) {
    const std::string url = address.find("://") != std::string::npos ? address : FeedServer() + address;
    return std::string("[PluginSettings]\r\n") + kStyle + "StringSource=2\r\n" + extra + "URL_000=" + url + "\r\n";
}

std::string ExpectFeedShows(const std::string& path, const std::u16string& expected, DWORD waitMs,
                            const char* extra) {
    std::vector<std::vector<uint8_t>> frames;
    {
        Session s(FeedIni(path, extra));
        frames = s.TextFrames(25, waitMs);
    }
    const std::string log = ReadFileBytes(LogPath());  // the next Start empties it
    EXPECT_FALSE(frames.empty()) << path << ": nothing shown";
    if (!frames.empty()) {
        EXPECT_TRUE(frames == StringFrames(expected)) << path << ": another text is shown";
    }
    return log;
}

bool Has(const std::string& log, const std::string& line) { return log.find(" - " + line + "\r\n") != std::string::npos; }

