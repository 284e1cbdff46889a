// The address an item links to, or its channel (the site itself), chosen
// among the elements the reader meets. Unlike an item's texts, a link may
// live in attributes (Atom's <link href rel>, RSS's <guid isPermaLink>), so
// the reader hands those over too.
#pragma once
#include <cstdint>
#include <string>

#include "feed/feed_formats.h"

// What the reader gives of an element that may hold the link.
struct LinkElement {
    std::u16string text;
    std::u16string href, rel, isPermaLink;  // the attributes, empty when absent
    bool hasRel = false, hasIsPermaLink = false;
};

// Whether a child of an item (or of the channel, or of Atom's feed) may hold
// the link: RSS's link and guid, RSS 1.0's link, Atom's link.
bool MayHoldLink(FeedFormat format, const std::u16string& ns, const std::u16string& localName);

// Child by child, the best link wins, and of equal rank the first: RSS's
// <link>, else a <guid> that is a permalink (isPermaLink absent or "true");
// RSS 1.0's <link>; Atom's <link> whose rel is "alternate" (or absent), else
// its first <link> with an href. Blank values count as missing; the link is
// as written (trimmed), relative or not.
class LinkChooser {
public:
    void Reset();
    void Offer(FeedFormat format, const std::u16string& ns, const std::u16string& localName, const LinkElement& e);
    const std::u16string& link() const { return link_; }

private:
    std::u16string link_;
    int32_t rank_ = 0;
};
