// The XML side of the feed reader: loads the downloaded file into an MSXML
// DOM document and collects the texts of every "item".
#pragma once
#include <string>

#include "sources/feed_messages.h"

// COM must be initialised on the calling thread.
FeedParseResult ReadFeedFile(const std::string& path);
