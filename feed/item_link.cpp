#include "feed/item_link.h"

#include <utility>

#include "feed/feed_text.h"

namespace {

const std::u16string kAtom10 = u"http://www.w3.org/2005/Atom";
const std::u16string kAtom03 = u"http://purl.org/atom/ns#";
const std::u16string kRss10 = u"http://purl.org/rss/1.0/";
const std::u16string kRss090 = u"http://my.netscape.com/rdf/simple/0.9/";

constexpr int32_t kNone = -1;

bool SameNoCase(const std::u16string& a, const char16_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        if (c != b[i]) return false;
    }
    return i == a.size() && !b[i];
}

bool IsAtom(FeedFormat format, const std::u16string& ns) {
    return (format == FeedFormat::Atom10 && ns == kAtom10) || (format == FeedFormat::Atom03 && ns == kAtom03);
}

// The element's rank (0 best) and its value; kNone when it holds no link.
int32_t RankOf(FeedFormat format, const std::u16string& ns, const std::u16string& name, const LinkElement& e,
               std::u16string* value) {
    switch (format) {
    case FeedFormat::Rss:
        if (!ns.empty()) break;
        if (SameNoCase(name, u"link")) return *value = e.text, 0;
        if (SameNoCase(name, u"guid") && (!e.hasIsPermaLink || SameNoCase(TrimmedFeedSpace(e.isPermaLink), u"true")))
            return *value = e.text, 1;
        break;
    case FeedFormat::Rdf:
        if (name == u"link" && (ns == kRss10 || ns == kRss090 || ns.empty())) return *value = e.text, 0;
        break;
    case FeedFormat::Atom10:
    case FeedFormat::Atom03:
        if (name != u"link" || !IsAtom(format, ns)) break;
        *value = e.href;
        return !e.hasRel || TrimmedFeedSpace(e.rel) == u"alternate" ? 0 : 1;
    }
    return kNone;
}

}  // namespace

bool MayHoldLink(FeedFormat format, const std::u16string& ns, const std::u16string& name) {
    std::u16string unused;
    return RankOf(format, ns, name, LinkElement(), &unused) != kNone;
}

void LinkChooser::Reset() {
    link_.clear();
    rank_ = 0;
}

void LinkChooser::Offer(FeedFormat format, const std::u16string& ns, const std::u16string& name, const LinkElement& e) {
    std::u16string value;
    const int32_t rank = RankOf(format, ns, name, e, &value);
    if (rank == kNone || (!link_.empty() && rank >= rank_)) return;
    value = TrimmedFeedSpace(value);
    if (value.empty()) return;
    link_ = std::move(value);
    rank_ = rank;
}
