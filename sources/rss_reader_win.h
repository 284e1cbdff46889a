// The XML side of the feed reader: loads a downloaded feed into an MSXML
// DOM document and collects the texts of every "item".
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "sources/feed_messages.h"

// A feed's bytes in memory, so that its file can be deleted before the parse:
// a host that exits in the middle of a long parse leaves no file behind.
class FeedBytes {
public:
    FeedBytes() = default;
    ~FeedBytes() {
        if (array_) SafeArrayDestroy(array_);
    }
    FeedBytes(const FeedBytes&) = delete;
    FeedBytes& operator=(const FeedBytes&) = delete;

    // Reads the whole file; false when it cannot be read.
    bool Load(const std::string& path);
    SAFEARRAY* array() const { return array_; }
    size_t size() const { return size_; }

private:
    SAFEARRAY* array_ = nullptr;
    size_t size_ = 0;
};

// COM must be initialised on the calling thread.
FeedParseResult ParseFeed(const FeedBytes& bytes);
// Load and ParseFeed in one; an unreadable file is a bad feed.
FeedParseResult ReadFeedFile(const std::string& path);
