// The plug-in run as a host runs it, on one settings file, with what it
// shows on the band: the black-box feed tests compare those frames with the
// frames of the text they expect, given as a plain string or a text file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/win/plugin_harness.h"

using Frames = std::vector<std::vector<uint8_t>>;

// Black band, white text, no shadow, whole frames, titles only, a face for
// every script: a text pixel is any byte above 128.
extern const char kBandStyle[];

std::string LogPath();
// The text in Windows-1251, as the settings file holds it.
std::string Ansi(const std::u16string& text);
// Whether the log has the line "<time> - `line`".
bool Has(const std::string& log, const std::string& line);

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
    Frames TextFrames(int count, DWORD waitMs);
    // The same as hashes of the frames, for long runs.
    std::vector<uint64_t> TextFrameHashes(int count, DWORD waitMs);
    Plugin& plugin() { return plugin_; }

private:
    // Draws one frame into the buffer (guard zones around it).
    void Draw();
    const uint8_t* frame() const;

    Plugin plugin_;
    bool closed_ = false;
    std::vector<uint8_t> buffer_;
};

// The frames of `text` entering the band as the only string (the message
// that follows enters only after these frames).
Frames StringFrames(const std::u16string& text);
// The same through a UTF-16 text file, for any script.
Frames TextFileFrames(const std::u16string& text);

// A settings file for an RSS run on the feed server's `path` (or a URL);
// `extra` settings override the style.
std::string FeedIni(const std::string& path, const char* extra = "");

// One feed run to its end: the frames once text appears, the log, and the
// settings file the plug-in saved.
struct FeedRun {
    Frames frames;
    std::string log, savedIni;
};
FeedRun RunFeed(const std::string& pathOrUrl, DWORD waitMs, const char* extra = "");
// Runs the plug-in on one feed until its content is on air and checks that
// it shows `expected`; returns the log.
std::string ExpectFeedShows(const std::string& pathOrUrl, const std::u16string& expected, DWORD waitMs = 20000,
                            const char* extra = "");

// The LastUpdate value of a saved settings file ("" when there is none).
std::string SavedValue(const std::string& ini, const std::string& key);
// FILETIME units of the local wall-clock time of a UTC moment, as the feed
// reader stamps items (through the system's own conversion).
uint64_t LocalStampOfUtc(int year, int month, int day, int hour, int minute, int second);
