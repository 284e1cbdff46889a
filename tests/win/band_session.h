// The real DLL in a session as a host runs it, for tests that compare what the
// band shows with the pixels of a text given as a plain string.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/plugin_harness.h"

// The plug-in's log beside its settings.
std::string LogPath();
// `text` in Windows-1251, as the settings file holds it.
std::string Ansi(const std::u16string& text);
// Whether the log holds `line` as one whole message.
bool Has(const std::string& log, const std::string& line);

// Black band, white text, no shadow, whole frames: a text pixel is any byte above 128.
extern const char kStyle[];
constexpr int32_t kWidth = 768, kHeight = 576;
constexpr size_t kGuard = 4096;

// The plug-in loaded, initialised and started on a settings file; frames
// come with guard zones that must stay untouched.
class Session {
public:
    explicit Session(const std::string& iniBytes);
    ~Session() { Close(); }
    void Close();
    // The host stops the video and starts it again (the log starts afresh).
    void Restart();
    std::vector<uint8_t> Frame();
    // The first `count` frames from the one where text first appears; empty
    // when none appears within `waitMs`.
    std::vector<std::vector<uint8_t>> TextFrames(int count, DWORD waitMs);
    Plugin& plugin() { return plugin_; }

private:
    Plugin plugin_;
    bool closed_ = false;
};

// The frames of `text` entering the band as the only string (the message
// that follows enters only after these frames).
std::vector<std::vector<uint8_t>> StringFrames(const std::u16string& text);

// Settings for the feed at `address`: a path on the test server, or a whole URL.
std::string FeedIni(const std::string& address, const char* extra = "");

// Runs the plug-in on one feed until its content is on air and checks that
// it shows `expected`; returns the log.
std::string ExpectFeedShows(const std::string& address, const std::u16string& expected, DWORD waitMs = 20000,
                            const char* extra = "");
