// The test server's feed files read and parsed as the feed source does, on a
// thread with COM and the system's code pages, as the DLL has them.
#pragma once
#include <objbase.h>

#include <string>

#include "base/ansi_codec_win.h"
#include "feed/feed_reader_win.h"
#include "tests/win/plugin_harness.h"

inline std::string FeedFile(const std::string& name) { return ExeFolder() + "..\\..\\tests\\http\\feeds\\" + name; }

// An unreadable file is a bad feed.
inline FeedParseResult ParseFeedFile(const std::string& path, const std::string& contentType = std::string()) {
    FeedBytes bytes;
    if (!bytes.Load(path)) {
        FeedParseResult bad;
        bad.kind = FeedParseResult::BadFeed;
        return bad;
    }
    return ParseFeed(bytes, contentType);
}

struct ComThread {
    ComThread() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetSystemAnsiCodec(&codec);
    }
    ~ComThread() {
        SetSystemAnsiCodec(nullptr);
        CoUninitialize();
    }
    WinAnsiCodec codec;
};
