// The XML side of the feed reader: decodes a downloaded feed, loads it into
// an MSXML DOM document and collects the texts of every item (RSS 0.9x/2.0
// and 1.0, Atom 1.0 and 0.3).
#pragma once
#include <string>
#include <vector>

#include "feed/feed_items.h"

// What the parse found: the items' texts and the channel's own link (the
// site, as written) and title, or why there are none.
struct FeedParseResult {
    enum Kind { Items, NoMsxml, BadFeed } kind = Items;
    std::vector<FeedItemTexts> items;
    std::u16string channelLink, channelTitle;
    int32_t itemsLeftOut = 0;  // beyond FeedLimits::maxItems
};

struct FeedLimits {
    int32_t maxItems = 0;    // the items read at most, in document order; 0: all
    bool truncated = false;  // the body was cut off at a size limit: read up to its last complete item
};

// A feed's bytes in memory, so that its file can be deleted before the parse:
// a host that exits in the middle of a long parse leaves no file behind.
class FeedBytes {
public:
    // Reads the whole file; false when it cannot be read.
    bool Load(const std::string& path);
    const char* Data() const { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }
    void Release() { std::string().swap(bytes_); }
    void CutBeforeLastMarkup();

private:
    std::string bytes_;
};

// COM must be initialised on the calling thread. `contentType` is the HTTP
// Content-Type the feed came with (its charset counts when the document
// names no encoding). The bytes are released once decoded: a big feed is
// then held as text and as a document, never three times at once.
FeedParseResult ParseFeed(FeedBytes& bytes, const std::string& contentType = std::string(),
                          const FeedLimits& limits = FeedLimits());
