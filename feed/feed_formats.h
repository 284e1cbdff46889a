// The feed formats the reader knows, and what an item's children mean in
// each: RSS 0.9x/2.0, RSS 1.0 (RDF), Atom 1.0 and Atom 0.3. Elements are
// matched by namespace and local name; RSS names without regard to case.
#pragma once
#include <cstdint>
#include <string>

#include "feed/feed_items.h"

enum class FeedFormat { Rss, Rdf, Atom10, Atom03 };

// By the root element; anything unknown is read as RSS.
FeedFormat FormatOfRoot(const std::u16string& ns, const std::u16string& localName);

// A document's format and, for RSS 0.9x/2.0, the namespace of its <rss>
// element: RSS's own names are read in it, whatever its URI (none,
// Userland's "http://backend.userland.com/rss2", or any other), while the
// elements of other namespaces (dc:, content:, yandex:) keep their meaning.
struct FeedDialect {
    FeedFormat format = FeedFormat::Rss;
    std::u16string rssNamespace;

    // `ns` as the format's tables know it: an RSS document's own namespace
    // reads as none. Other formats keep every namespace as it is.
    const std::u16string& Namespace(const std::u16string& ns) const;
    // An RSS item: "item" in the document's own namespace (at any depth).
    bool IsRssItem(const std::u16string& ns, const std::u16string& localName) const;
};
FeedDialect DialectOfRoot(const std::u16string& ns, const std::u16string& localName);

// Whether a child of the root element is an item. RSS items are found by
// their name ("item") anywhere in the document instead.
bool IsRootItem(FeedFormat format, const std::u16string& ns, const std::u16string& localName);

enum class ItemField : uint8_t { None, Date, Title, Description };

struct ItemRole {
    ItemField field = ItemField::None;
    int32_t rank = 0;  // 0 is the format's own element; higher ranks stand in when it is missing
};

// What a child element of an item holds.
ItemRole RoleOfItemChild(FeedFormat format, const std::u16string& ns, const std::u16string& localName);

// How a title goes on air: markup (tags dropped, character references
// decoded), as RSS's titles are, or plain text shown as written ("&lt;b&gt;"
// in the document shows "<b>"). An Atom title is plain unless its type says
// html: Atom 1.0's "html", Atom 0.3's "text/html" or mode "escaped". Its
// "xhtml" is plain too: the parser has read that markup, and its text is
// what is left.
enum class TextKind : uint8_t { Markup, Plain };
TextKind AtomTextKind(const std::u16string& type, const std::u16string& mode);

// Gathers an item's texts child by child: for each field the best-ranked
// child with text wins ("published" before "updated"), and of equal rank
// the later one.
class ItemTextCollector {
public:
    void Reset();
    void Offer(const ItemRole& role, std::u16string text, TextKind kind = TextKind::Markup);
    const FeedItemTexts& texts() const { return texts_; }
    FeedItemTexts& texts() { return texts_; }

private:
    FeedItemTexts texts_;
    int32_t ranks_[4] = {};
};
