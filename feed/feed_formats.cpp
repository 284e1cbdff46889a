#include "feed/feed_formats.h"

#include "base/ascii.h"
#include "feed/feed_text.h"

namespace {

const std::u16string kAtom10 = u"http://www.w3.org/2005/Atom";
const std::u16string kAtom03 = u"http://purl.org/atom/ns#";
const std::u16string kRdf = u"http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const std::u16string kRss10 = u"http://purl.org/rss/1.0/";
const std::u16string kRss090 = u"http://my.netscape.com/rdf/simple/0.9/";
const std::u16string kDublinCore = u"http://purl.org/dc/elements/1.1/";
// At namespace scope, not a local static: a local static's guard goes through
// winpthreads' pthread_once, which on x86-64 keeps a TLS slot for good.
const std::u16string kNoNamespace;

ItemRole Role(ItemField field, int32_t rank) {
    ItemRole r;
    r.field = field;
    r.rank = rank;
    return r;
}

// RSS's own names (RSS 2.0 has no namespace; RSS 1.0 and 0.90 have theirs).
ItemRole RssRole(const std::u16string& name, int32_t dateRank) {
    if (SameIgnoringAsciiCase(name, u"title")) return Role(ItemField::Title, 0);
    if (SameIgnoringAsciiCase(name, u"description")) return Role(ItemField::Description, 0);
    if (SameIgnoringAsciiCase(name, u"pubDate")) return Role(ItemField::Date, dateRank);
    return ItemRole();
}

}  // namespace

FeedFormat FormatOfRoot(const std::u16string& ns, const std::u16string& localName) {
    if (localName == u"feed" && ns == kAtom10) return FeedFormat::Atom10;
    if (localName == u"feed" && ns == kAtom03) return FeedFormat::Atom03;
    if (localName == u"RDF" && ns == kRdf) return FeedFormat::Rdf;
    return FeedFormat::Rss;
}

FeedDialect DialectOfRoot(const std::u16string& ns, const std::u16string& localName) {
    FeedDialect d;
    d.format = FormatOfRoot(ns, localName);
    if (d.format == FeedFormat::Rss && SameIgnoringAsciiCase(localName, u"rss")) d.rssNamespace = ns;
    return d;
}

const std::u16string& FeedDialect::Namespace(const std::u16string& ns) const {
    return format == FeedFormat::Rss && ns == rssNamespace ? kNoNamespace : ns;
}

bool FeedDialect::IsRssItem(const std::u16string& ns, const std::u16string& localName) const {
    return format == FeedFormat::Rss && localName == u"item" && Namespace(ns).empty();
}

bool IsRootItem(FeedFormat format, const std::u16string& ns, const std::u16string& localName) {
    switch (format) {
    case FeedFormat::Rdf: return localName == u"item" && (ns == kRss10 || ns == kRss090 || ns.empty());
    case FeedFormat::Atom10: return localName == u"entry" && ns == kAtom10;
    case FeedFormat::Atom03: return localName == u"entry" && ns == kAtom03;
    case FeedFormat::Rss: break;
    }
    return false;
}

ItemRole RoleOfItemChild(FeedFormat format, const std::u16string& ns, const std::u16string& name) {
    switch (format) {
    case FeedFormat::Rss:
        if (ns.empty()) return RssRole(name, 0);
        if (ns == kDublinCore && name == u"date") return Role(ItemField::Date, 1);
        break;
    case FeedFormat::Rdf:
        if (ns == kRss10 || ns == kRss090 || ns.empty()) return RssRole(name, 1);
        if (ns == kDublinCore) {
            if (name == u"date") return Role(ItemField::Date, 0);
            if (name == u"title") return Role(ItemField::Title, 1);
            if (name == u"description") return Role(ItemField::Description, 1);
        }
        break;
    case FeedFormat::Atom10:
    case FeedFormat::Atom03:
        if (ns != (format == FeedFormat::Atom10 ? kAtom10 : kAtom03)) break;
        if (name == u"title") return Role(ItemField::Title, 0);
        if (name == u"summary") return Role(ItemField::Description, 0);
        if (name == u"content") return Role(ItemField::Description, 1);
        // An entry is as new as its publication: an edit changes "updated"
        // and would put an old entry first.
        if (format == FeedFormat::Atom10) {
            if (name == u"published") return Role(ItemField::Date, 0);
            if (name == u"updated") return Role(ItemField::Date, 1);
        } else {
            if (name == u"issued") return Role(ItemField::Date, 0);
            if (name == u"created") return Role(ItemField::Date, 1);
            if (name == u"modified") return Role(ItemField::Date, 2);
        }
        break;
    }
    return ItemRole();
}

TextKind AtomTextKind(const std::u16string& type, const std::u16string& mode) {
    const std::u16string t = TrimmedFeedSpace(type), m = TrimmedFeedSpace(mode);
    const bool html = SameIgnoringAsciiCase(t, u"html") || SameIgnoringAsciiCase(t, u"text/html") ||
                      SameIgnoringAsciiCase(m, u"escaped");
    return html ? TextKind::Markup : TextKind::Plain;
}

void ItemTextCollector::Reset() {
    texts_.pubDate.clear();
    texts_.title.clear();
    texts_.description.clear();
    texts_.link.clear();
    texts_.plainTitle = false;
}

void ItemTextCollector::Offer(const ItemRole& role, std::u16string text, TextKind kind) {
    std::u16string* target = nullptr;
    switch (role.field) {
    case ItemField::Date: target = &texts_.pubDate; break;
    case ItemField::Title: target = &texts_.title; break;
    case ItemField::Description: target = &texts_.description; break;
    case ItemField::None: return;
    }
    int32_t& held = ranks_[int(role.field)];
    bool blank = true;
    for (char16_t c : text) blank = blank && IsFeedSpace(c);
    if (blank || (!target->empty() && role.rank > held)) return;
    *target = std::move(text);
    held = role.rank;
    if (role.field == ItemField::Title) texts_.plainTitle = kind == TextKind::Plain;
}
