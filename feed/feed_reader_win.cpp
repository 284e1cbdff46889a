#include "feed/feed_reader_win.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <cstdint>
#include <cwchar>
#include <utility>

#include "base/ansi_codec.h"
#include "feed/feed_document.h"
#include "feed/feed_formats.h"
#include "feed/feed_text.h"
#include "feed/item_link.h"

namespace {

// MinGW's headers map these names to symbols it does not ship: defined here.
const GUID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const GUID kIidDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const GUID kIidDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const GUID kIidDomElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

template <class T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p) p->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** Out() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
    void Reset(T* next) {
        if (p) p->Release();
        p = next;
    }
    T* p = nullptr;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : b(SysAllocString(text)) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR b = nullptr;
};

std::u16string ToU16(BSTR b) {
    return b ? std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b)) : std::u16string();
}

void SetProperty(IXMLDOMDocument* doc, const wchar_t* name, bool value) {
    Com<IXMLDOMDocument2> doc2;
    if (FAILED(doc->QueryInterface(kIidDomDocument2, reinterpret_cast<void**>(doc2.Out())))) return;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    Bstr property(name);
    doc2->setProperty(property.b, v);
}

// An element's namespace and local name; false for other nodes. Names are
// matched by namespace, never by prefix (Wine finds nothing by a prefixed
// tag name). Two calls for most elements: the local name is asked for only
// when the name has a prefix.
bool ElementName(IXMLDOMNode* node, std::u16string& ns, std::u16string& local) {
    Bstr name, uri;
    if (FAILED(node->get_nodeName(&name.b)) || !name.b || name.b[0] == L'#') return false;  // #text, #cdata-section...
    if (wcschr(name.b, L':')) {
        Bstr base;
        if (FAILED(node->get_baseName(&base.b)) || !base.b) return false;
        local = ToU16(base.b);
    } else {
        local = ToU16(name.b);
    }
    ns = SUCCEEDED(node->get_namespaceURI(&uri.b)) ? ToU16(uri.b) : std::u16string();
    return true;
}

// Children by sibling links: a child list read by index costs time that
// grows with the index in some MSXML versions.
template <class Visit>
void ForEachChild(IXMLDOMNode* parent, Visit visit) {
    Com<IXMLDOMNode> child;
    if (FAILED(parent->get_firstChild(child.Out()))) return;
    while (child) {
        visit(child.p);
        IXMLDOMNode* next = nullptr;
        if (FAILED(child->get_nextSibling(&next))) next = nullptr;
        child.Reset(next);
    }
}

// One attribute of an element; false when it has none of that name.
bool Attribute(IXMLDOMElement* element, const wchar_t* name, std::u16string& value) {
    value.clear();
    VARIANT v;
    VariantInit(&v);
    Bstr attribute(name);
    const bool found = SUCCEEDED(element->getAttribute(attribute.b, &v)) && v.vt == VT_BSTR;
    if (found) value = ToU16(v.bstrVal);
    VariantClear(&v);
    return found;
}

// RSS items anywhere in the document, in document order, by their name in
// the document's own namespace; an item's insides are not searched. The
// walk goes by sibling and parent links, never by recursion: a document may
// nest its elements 100,000 deep.
template <class Visit>
void ForEachRssItem(IXMLDOMNode* root, const FeedDialect& dialect, Visit visit) {
    std::u16string ns, local;
    IXMLDOMNode* node = nullptr;
    if (FAILED(root->get_firstChild(&node))) return;
    size_t depth = 1;  // of `node` below the root
    while (node) {
        IXMLDOMNode* next = nullptr;
        if (ElementName(node, ns, local)) {
            if (dialect.IsRssItem(ns, local)) visit(node);
            else if (SUCCEEDED(node->get_firstChild(&next)) && next) {
                node->Release();
                node = next;
                ++depth;
                continue;
            }
        }
        // The next sibling, else that of the nearest ancestor below the root.
        while (node) {
            next = nullptr;
            if (SUCCEEDED(node->get_nextSibling(&next)) && next) {
                node->Release();
                node = next;
                break;
            }
            IXMLDOMNode* parent = nullptr;
            if (depth == 1 || FAILED(node->get_parentNode(&parent))) parent = nullptr;
            node->Release();
            node = parent;
            --depth;
        }
    }
}

// A link may be an element's text (RSS) or its attributes (Atom's href, a
// guid's isPermaLink): the chooser is offered all of them.
void OfferLink(IXMLDOMNode* node, FeedFormat format, const std::u16string& ns, const std::u16string& local,
               LinkChooser& links) {
    LinkElement e;
    Bstr text;
    if (SUCCEEDED(node->get_text(&text.b))) e.text = ToU16(text.b);
    Com<IXMLDOMElement> element;
    if (SUCCEEDED(node->QueryInterface(kIidDomElement, reinterpret_cast<void**>(element.Out()))) && element) {
        Attribute(element.p, L"href", e.href);
        e.hasRel = Attribute(element.p, L"rel", e.rel);
        e.hasIsPermaLink = Attribute(element.p, L"isPermaLink", e.isPermaLink);
    }
    links.Offer(format, ns, local, e);
}

// An Atom title says by its type (and Atom 0.3's mode) whether it is markup;
// every other text of the item is.
TextKind TitleKind(IXMLDOMNode* node, FeedFormat format, const ItemRole& role) {
    if (role.field != ItemField::Title || (format != FeedFormat::Atom10 && format != FeedFormat::Atom03))
        return TextKind::Markup;
    Com<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(kIidDomElement, reinterpret_cast<void**>(element.Out()))) || !element)
        return TextKind::Markup;
    std::u16string type, mode;
    Attribute(element.p, L"type", type);
    Attribute(element.p, L"mode", mode);
    return AtomTextKind(type, mode);
}

void ReadItem(IXMLDOMNode* item, const FeedDialect& dialect, ItemTextCollector& collector, LinkChooser& links) {
    collector.Reset();
    links.Reset();
    const FeedFormat format = dialect.format;
    std::u16string name, local;
    ForEachChild(item, [&](IXMLDOMNode* child) {
        if (!ElementName(child, name, local)) return;
        const std::u16string& ns = dialect.Namespace(name);
        const ItemRole role = RoleOfItemChild(format, ns, local);
        if (role.field == ItemField::None) {
            if (MayHoldLink(format, ns, local)) OfferLink(child, format, ns, local, links);
            return;
        }
        Bstr text;
        if (SUCCEEDED(child->get_text(&text.b))) collector.Offer(role, ToU16(text.b), TitleKind(child, format, role));
    });
    collector.texts().link = links.link();
}

bool IsChannel(const std::u16string& local) {
    if (local.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i)
        if ((local[i] | 0x20) != u"channel"[i]) return false;
    return true;
}

// The site's own link and title: among the children of RSS's and RSS 1.0's
// channel, or of Atom's feed itself (an item's are a level further down).
// The title is cleaned as the items' are.
void ReadChannel(IXMLDOMElement* root, const FeedDialect& dialect, FeedParseResult& result) {
    const FeedFormat format = dialect.format;
    LinkChooser links;
    ItemTextCollector titles;
    titles.Reset();
    std::u16string name, local;
    auto offerChildren = [&](IXMLDOMNode* parent) {
        ForEachChild(parent, [&](IXMLDOMNode* child) {
            if (!ElementName(child, name, local)) return;
            const std::u16string& ns = dialect.Namespace(name);
            if (MayHoldLink(format, ns, local)) OfferLink(child, format, ns, local, links);
            const ItemRole role = RoleOfItemChild(format, ns, local);
            Bstr text;
            if (role.field == ItemField::Title && SUCCEEDED(child->get_text(&text.b)))
                titles.Offer(role, ToU16(text.b), TitleKind(child, format, role));
        });
    };
    if (format == FeedFormat::Atom10 || format == FeedFormat::Atom03) {
        offerChildren(root);
    } else if (ElementName(root, name, local) && IsChannel(local)) {
        offerChildren(root);  // an RSS 0.9x document with no <rss> around its channel
    } else {
        bool found = false;
        ForEachChild(root, [&](IXMLDOMNode* child) {
            if (found || !ElementName(child, name, local) || !IsChannel(local)) return;
            found = true;
            offerChildren(child);
        });
    }
    result.channelLink = links.link();
    const FeedItemTexts& t = titles.texts();
    result.channelTitle = t.plainTitle ? CleanPlainText(t.title) : CleanFeedText(t.title);
}

FeedParseResult Bad() {
    FeedParseResult r;
    r.kind = FeedParseResult::BadFeed;
    return r;
}

}  // namespace

bool FeedBytes::Load(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length = {};
    bool ok = GetFileSizeEx(file, &length) && length.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes_.assign(size_t(length.QuadPart), '\0');
        size_t done = 0;
        DWORD n = 0;
        while (done < bytes_.size() &&
               ReadFile(file, &bytes_[done], DWORD(bytes_.size() - done < (1u << 20) ? bytes_.size() - done : 1u << 20),
                        &n, nullptr) &&
               n > 0)
            done += n;
        ok = done == bytes_.size();
    }
    CloseHandle(file);
    if (!ok) bytes_.clear();
    return ok;
}

void FeedBytes::CutBeforeLastMarkup() { ::CutBeforeLastMarkup(bytes_); }

FeedParseResult ParseFeed(FeedBytes& bytes, const std::string& contentType, const FeedLimits& limits) {
    // A body cut off at the size limit ends inside some markup: whatever
    // follows the last '<' goes, and the document is closed after its last
    // complete item.
    if (limits.truncated) bytes.CutBeforeLastMarkup();
    // MSXML gets text, decoded here: it knows few encodings itself, and none
    // from the HTTP header.
    std::u16string text;
    const FeedTextResult prepared =
        PrepareFeedText(bytes.Data(), bytes.Size(), CharsetOfContentType(contentType), SystemAnsiCodec(), text);
    bytes.Release();
    if (prepared != FeedTextResult::Ok) return Bad();
    if (limits.truncated && !CloseTruncatedFeed(text)) return Bad();

    Com<IXMLDOMDocument> doc;
    if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument,
                                reinterpret_cast<void**>(doc.Out()))) ||
        !doc) {
        FeedParseResult r;
        r.kind = FeedParseResult::NoMsxml;
        return r;
    }
    doc->put_async(VARIANT_FALSE);
    // A feed is data: no DTD, no entities from elsewhere.
    doc->put_resolveExternals(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    SetProperty(doc.p, L"ProhibitDTD", true);

    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr;
    {
        Bstr source;
        source.b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size()));
        std::u16string().swap(text);  // the document's copy is enough
        if (!source.b) return Bad();
        hr = doc->loadXML(source.b, &loaded);
    }
    // A document that could not be parsed loads with S_FALSE and false: a bad
    // feed, not an empty one.
    if (FAILED(hr) || loaded != VARIANT_TRUE) return Bad();
    // The document type was taken out before the parse; one left is refused.
    Com<IXMLDOMDocumentType> doctypeNode;
    if (SUCCEEDED(doc->get_doctype(doctypeNode.Out())) && doctypeNode) return Bad();
    Com<IXMLDOMElement> root;
    if (FAILED(doc->get_documentElement(root.Out())) || !root) return Bad();
    std::u16string ns, local;
    FeedDialect dialect;
    if (ElementName(root.p, ns, local)) dialect = DialectOfRoot(ns, local);

    FeedParseResult result;
    result.kind = FeedParseResult::Items;
    ItemTextCollector collector;
    LinkChooser links;
    ReadChannel(root.p, dialect, result);
    const size_t most = limits.maxItems > 0 ? size_t(limits.maxItems) : SIZE_MAX;
    const auto read = [&](IXMLDOMNode* item) {
        if (result.items.size() == most) {
            ++result.itemsLeftOut;
            return;
        }
        ReadItem(item, dialect, collector, links);
        result.items.push_back(std::move(collector.texts()));
    };
    if (dialect.format == FeedFormat::Rss) {
        if (dialect.IsRssItem(ns, local)) read(root.p);  // a document of one item
        else ForEachRssItem(root.p, dialect, read);
    } else {
        ForEachChild(root.p, [&](IXMLDOMNode* child) {
            if (ElementName(child, ns, local) && IsRootItem(dialect.format, ns, local)) read(child);
        });
    }
    return result;
}
