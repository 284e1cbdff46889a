#include "sources/rss_reader_win.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <cctype>
#include <cstdint>

#include "sources/ansi_codec.h"

namespace {

// MinGW's headers map these names to symbols it does not ship: defined here.
const GUID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const GUID kIidDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const GUID kIidDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

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

std::u16string ToU16(BSTR b) { return b ? std::u16string(reinterpret_cast<const char16_t*>(b)) : std::u16string(); }

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

bool ReadItem(IXMLDOMNode* item, RssItemTexts& out) {
    Com<IXMLDOMNodeList> children;
    if (FAILED(item->get_childNodes(children.Out())) || !children) return false;
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        Com<IXMLDOMNode> child;
        if (FAILED(children->get_item(i, child.Out())) || !child) continue;
        Bstr name;
        if (FAILED(child->get_nodeName(&name.b)) || !name.b) continue;
        std::u16string* target = nullptr;
        if (lstrcmpiW(name.b, L"pubDate") == 0) target = &out.pubDate;
        else if (lstrcmpiW(name.b, L"title") == 0) target = &out.title;
        else if (lstrcmpiW(name.b, L"description") == 0) target = &out.description;
        if (!target) continue;
        Bstr text;
        if (SUCCEEDED(child->get_text(&text.b))) *target = ToU16(text.b);
    }
    return true;
}

// Whether the document declares a document type near its top. A feed has no
// use for one, and some MSXML versions would expand its entities.
bool DeclaresDocumentType(const uint8_t* bytes, size_t size) {
    static const char kTag[] = "<!DOCTYPE";
    const size_t head = size < 65536 ? size : 65536, n = sizeof kTag - 1;
    for (size_t i = 0; i + n <= head; ++i) {
        size_t k = 0;
        while (k < n && std::toupper(bytes[i + k]) == kTag[k]) ++k;
        if (k == n) return true;
    }
    return false;
}

}  // namespace

bool FeedBytes::Load(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length = {};
    bool ok = GetFileSizeEx(file, &length) && length.QuadPart < 0x7FFFFFFF;
    if (ok) {
        if (array_) SafeArrayDestroy(array_);
        size_ = size_t(length.QuadPart);
        array_ = SafeArrayCreateVector(VT_UI1, 0, ULONG(size_));
        void* data = nullptr;
        ok = array_ && SUCCEEDED(SafeArrayAccessData(array_, &data));
        if (ok) {
            size_t done = 0;
            DWORD n = 0;
            while (done < size_ && ReadFile(file, static_cast<uint8_t*>(data) + done,
                                            DWORD(size_ - done < (1u << 20) ? size_ - done : 1u << 20), &n, nullptr) &&
                   n > 0)
                done += n;
            ok = done == size_;
            SafeArrayUnaccessData(array_);
        }
    }
    CloseHandle(file);
    return ok;
}

FeedParseResult ParseFeed(const FeedBytes& bytes) {
    FeedParseResult result;
    result.kind = FeedParseResult::BadFeed;
    if (!bytes.array()) return result;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(bytes.array(), &data))) return result;
    const bool doctype = DeclaresDocumentType(static_cast<const uint8_t*>(data), bytes.size());
    SafeArrayUnaccessData(bytes.array());
    if (doctype) return result;

    Com<IXMLDOMDocument> doc;
    if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument,
                                reinterpret_cast<void**>(doc.Out()))) ||
        !doc) {
        result.kind = FeedParseResult::NoMsxml;
        return result;
    }
    doc->put_async(VARIANT_FALSE);
    // A feed is data: no DTD, no entities from elsewhere.
    doc->put_resolveExternals(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    SetProperty(doc.p, L"ProhibitDTD", true);

    // Loaded from the bytes, MSXML still takes the encoding from the
    // document's own declaration or byte-order mark, as from a file.
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_ARRAY | VT_UI1;
    source.parray = bytes.array();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT hr = doc->load(source, &loaded);
    // A document that could not be parsed loads with S_FALSE and false: a bad
    // feed, not an empty one.
    if (FAILED(hr) || loaded != VARIANT_TRUE) return result;
    // Some MSXML versions ignore ProhibitDTD: refuse any document type here.
    Com<IXMLDOMDocumentType> doctypeNode;
    if (SUCCEEDED(doc->get_doctype(doctypeNode.Out())) && doctypeNode) return result;
    Com<IXMLDOMNodeList> items;
    Bstr tag(L"item");
    if (FAILED(doc->getElementsByTagName(tag.b, items.Out())) || !items) return result;
    result.kind = FeedParseResult::Items;
    long count = 0;
    items->get_length(&count);
    for (long i = 0; i < count; ++i) {
        Com<IXMLDOMNode> item;
        if (FAILED(items->get_item(i, item.Out())) || !item) continue;
        RssItemTexts texts;
        if (ReadItem(item.p, texts)) result.items.push_back(std::move(texts));
    }
    return result;
}

FeedParseResult ReadFeedFile(const std::string& path) {
    FeedBytes bytes;
    if (!bytes.Load(path)) {
        FeedParseResult bad;
        bad.kind = FeedParseResult::BadFeed;
        return bad;
    }
    return ParseFeed(bytes);
}
