#include "feed/feed_encoding.h"

#include <cstring>

#include "base/ascii.h"
#include "base/byte_order_mark.h"
#include "text/unicode_text.h"

namespace {

struct EncodingLabel {
    const char* label;
    uint32_t codePage;
};

// Labels as documents and servers write them (compared in lower case).
const EncodingLabel kLabels[] = {
    {"utf-8", kCodePageUtf8}, {"utf8", kCodePageUtf8}, {"unicode-1-1-utf-8", kCodePageUtf8},
    {"x-unicode20utf8", kCodePageUtf8},
    {"utf-16", kCodePageUtf16}, {"utf-16le", kCodePageUtf16}, {"utf-16be", kCodePageUtf16}, {"ucs-2", kCodePageUtf16},
    {"unicode", kCodePageUtf16}, {"iso-10646-ucs-2", kCodePageUtf16}, {"csunicode", kCodePageUtf16},
    {"windows-1250", 1250}, {"cp1250", 1250}, {"x-cp1250", 1250},
    {"windows-1251", 1251}, {"cp1251", 1251}, {"x-cp1251", 1251}, {"win-1251", 1251},
    {"windows-1252", 1252}, {"cp1252", 1252}, {"x-cp1252", 1252},
    {"iso-8859-1", 1252}, {"iso8859-1", 1252}, {"iso_8859-1", 1252}, {"iso88591", 1252}, {"iso_8859-1:1987", 1252},
    {"latin1", 1252}, {"latin-1", 1252}, {"l1", 1252}, {"iso-ir-100", 1252}, {"csisolatin1", 1252},
    {"cp819", 1252}, {"ibm819", 1252}, {"us-ascii", 1252}, {"ascii", 1252}, {"ansi_x3.4-1968", 1252},
    {"windows-1253", 1253}, {"cp1253", 1253}, {"windows-1254", 1254}, {"cp1254", 1254},
    {"iso-8859-9", 1254}, {"iso8859-9", 1254}, {"iso_8859-9", 1254}, {"latin5", 1254}, {"l5", 1254},
    {"windows-1255", 1255}, {"cp1255", 1255}, {"windows-1256", 1256}, {"cp1256", 1256},
    {"windows-1257", 1257}, {"cp1257", 1257}, {"windows-1258", 1258}, {"cp1258", 1258},
    {"iso-8859-2", 28592}, {"iso8859-2", 28592}, {"iso_8859-2", 28592}, {"latin2", 28592}, {"l2", 28592},
    {"iso-8859-3", 28593}, {"iso8859-3", 28593}, {"latin3", 28593},
    {"iso-8859-4", 28594}, {"iso8859-4", 28594}, {"latin4", 28594},
    {"iso-8859-5", 28595}, {"iso8859-5", 28595}, {"iso_8859-5", 28595}, {"cyrillic", 28595},
    {"iso-8859-6", 28596}, {"iso8859-6", 28596}, {"arabic", 28596},
    {"iso-8859-7", 28597}, {"iso8859-7", 28597}, {"iso_8859-7", 28597}, {"greek", 28597}, {"greek8", 28597},
    {"iso-8859-8", 28598}, {"iso8859-8", 28598}, {"iso-8859-8-i", 28598}, {"hebrew", 28598},
    {"iso-8859-13", 28603}, {"iso8859-13", 28603}, {"iso-8859-15", 28605}, {"iso8859-15", 28605},
    {"iso_8859-15", 28605}, {"latin-9", 28605}, {"latin9", 28605},
    {"koi8-r", 20866}, {"koi8", 20866}, {"koi", 20866}, {"cskoi8r", 20866}, {"koi8-u", 21866}, {"koi8-ru", 21866},
    {"ibm866", 866}, {"cp866", 866}, {"866", 866},
    {"x-mac-cyrillic", 10007}, {"x-mac-ukrainian", 10007}, {"macintosh", 10000}, {"x-mac-roman", 10000},
    {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"ms_kanji", 932},
    {"csshiftjis", 932}, {"windows-31j", 932}, {"cp932", 932}, {"ms932", 932},
    {"euc-jp", 20932}, {"x-euc-jp", 20932}, {"cseucpkdfmtjapanese", 20932},
    {"euc-kr", 949}, {"cseuckr", 949}, {"ks_c_5601-1987", 949}, {"ks_c_5601-1989", 949}, {"ksc5601", 949},
    {"ksc_5601", 949}, {"korean", 949}, {"iso-ir-149", 949}, {"csksc56011987", 949}, {"windows-949", 949},
    {"cp949", 949}, {"x-windows-949", 949},
    {"big5", 950}, {"big5-hkscs", 950}, {"cn-big5", 950}, {"csbig5", 950}, {"x-x-big5", 950}, {"cp950", 950},
    {"gb2312", 936}, {"gbk", 936}, {"gb_2312", 936}, {"gb_2312-80", 936}, {"chinese", 936}, {"csgb2312", 936},
    {"csiso58gb231280", 936}, {"iso-ir-58", 936}, {"x-gbk", 936}, {"cp936", 936}, {"ms936", 936},
    {"windows-936", 936}, {"gb18030", 936}, {"euc-cn", 936},
    {"tis-620", 874}, {"windows-874", 874}, {"cp874", 874}, {"dos-874", 874}, {"iso-8859-11", 874},
    {"iso8859-11", 874},
};


// The value of the declaration's encoding="..." (or '...'); "" when the
// bytes start with no declaration or it names no encoding.
std::string DeclaredEncoding(const char* bytes, size_t size) {
    size_t i = 0;
    while (i < size && IsXmlSpace(static_cast<unsigned char>(bytes[i]))) ++i;
    if (size - i < 6 || std::memcmp(bytes + i, "<?xml", 5) != 0 || !IsXmlSpace(static_cast<unsigned char>(bytes[i + 5])))
        return std::string();
    const size_t limit = size - i > 1024 ? i + 1024 : size;
    std::string decl;
    for (size_t k = i + 5; k + 1 < limit && !(bytes[k] == '?' && bytes[k + 1] == '>'); ++k) decl.push_back(bytes[k]);
    for (size_t at = decl.find("encoding"); at != std::string::npos; at = decl.find("encoding", at + 1)) {
        size_t k = at + 8;
        while (k < decl.size() && IsXmlSpace(static_cast<unsigned char>(decl[k]))) ++k;
        if (k >= decl.size() || decl[k] != '=') continue;
        ++k;
        while (k < decl.size() && IsXmlSpace(static_cast<unsigned char>(decl[k]))) ++k;
        if (k >= decl.size() || (decl[k] != '"' && decl[k] != '\'')) continue;
        const size_t end = decl.find(decl[k], k + 1);
        if (end == std::string::npos) return std::string();
        return decl.substr(k + 1, end - k - 1);
    }
    return std::string();
}


}  // namespace

std::string CharsetOfContentType(const std::string& contentType) {
    const std::string lower = AsciiLowerCopy(contentType);
    for (size_t at = lower.find(';'); at != std::string::npos; at = lower.find(';', at + 1)) {
        size_t k = at + 1;
        while (k < lower.size() && (lower[k] == ' ' || lower[k] == '\t')) ++k;
        if (lower.compare(k, 7, "charset") != 0) continue;
        k += 7;
        while (k < lower.size() && (lower[k] == ' ' || lower[k] == '\t')) ++k;
        if (k >= lower.size() || lower[k] != '=') continue;
        ++k;
        while (k < lower.size() && (lower[k] == ' ' || lower[k] == '\t')) ++k;
        size_t end;
        if (k < lower.size() && (lower[k] == '"' || lower[k] == '\'')) {
            end = lower.find(lower[k], k + 1);
            if (end == std::string::npos) end = lower.size();
            ++k;
        } else {
            end = k;
            while (end < lower.size() && lower[end] != ';' && lower[end] != ' ' && lower[end] != '\t') ++end;
        }
        return contentType.substr(k, end - k);
    }
    return std::string();
}

uint32_t CodePageOfEncoding(const std::string& name) {
    size_t from = 0, to = name.size();
    while (from < to && std::isspace(static_cast<unsigned char>(name[from]))) ++from;
    while (to > from && std::isspace(static_cast<unsigned char>(name[to - 1]))) --to;
    const std::string key = AsciiLowerCopy(name.substr(from, to - from));
    for (const EncodingLabel& l : kLabels)
        if (key == l.label) return l.codePage;
    return 0;
}

FeedEncoding DetectFeedEncoding(const char* bytes, size_t size, const std::string& httpCharset) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    FeedEncoding e;
    const ByteOrderMark mark = SniffByteOrderMark(bytes, size);
    if (mark.kind == ByteOrderMark::Utf8) {
        e.source = FeedEncoding::ByteOrderMark, e.label = "UTF-8", e.codePage = kCodePageUtf8, e.skip = mark.length;
        return e;
    }
    if (mark.kind == ByteOrderMark::Utf16) {
        e.source = FeedEncoding::ByteOrderMark, e.label = "UTF-16", e.codePage = kCodePageUtf16, e.skip = mark.length;
        e.bigEndian = mark.bigEndian;
        return e;
    }
    // UTF-16 without a mark: the document's first characters are ASCII.
    if (size >= 4 && ((b[0] == 0 && b[1] != 0 && b[2] == 0 && b[3] != 0) || (b[0] != 0 && b[1] == 0 && b[2] != 0 && b[3] == 0))) {
        e.source = FeedEncoding::ByteOrderMark, e.label = "UTF-16", e.codePage = kCodePageUtf16;
        e.bigEndian = b[0] == 0;
        return e;
    }
    e.label = DeclaredEncoding(bytes, size);
    if (!e.label.empty()) {
        e.source = FeedEncoding::Declaration;
    } else if (!httpCharset.empty()) {
        e.source = FeedEncoding::HttpCharset;
        e.label = httpCharset;
    } else {
        e.source = FeedEncoding::Default;
        e.codePage = kCodePageUtf8;
        return e;
    }
    e.codePage = CodePageOfEncoding(e.label);
    return e;
}

FeedDecoding DecodeFeedBytes(const char* bytes, size_t size, const std::string& httpCharset, const AnsiCodec& codec,
                             std::u16string& out, FeedEncoding* used, bool lenient) {
    FeedEncoding e = DetectFeedEncoding(bytes, size, httpCharset);
    out.clear();
    const char* body = bytes + e.skip;
    const size_t length = size - e.skip;
    FeedDecoding result = FeedDecoding::Ok;
    if (e.source == FeedEncoding::Default) {
        // Undeclared: UTF-8 when the bytes are, else what the system would assume.
        if (!IsUtf8(body, length)) {
            e.codePage = kAnsiCodePage;
            if (!codec.Decode(kAnsiCodePage, body, length, false, out)) result = FeedDecoding::UnknownEncoding;
        } else {
            AppendUtf8(body, length, out);
        }
    } else if (e.codePage == 0) {
        result = FeedDecoding::UnknownEncoding;
    } else if (e.codePage == kCodePageUtf16) {
        // Named so by a declaration that sits in 8-bit bytes: the name lies.
        if (e.source != FeedEncoding::ByteOrderMark) result = FeedDecoding::InvalidBytes;
        else AppendUtf16(body, length, e.bigEndian, out);
    } else if (e.codePage == kCodePageUtf8) {
        if (!AppendUtf8(body, length, out) && !lenient) result = FeedDecoding::InvalidBytes;
    } else if (!codec.Decode(e.codePage, body, length, !lenient, out)) {
        // Either the system lacks the code page or a byte is undefined in it.
        std::u16string probe;
        result = codec.Decode(e.codePage, "", 0, true, probe) ? FeedDecoding::InvalidBytes : FeedDecoding::UnknownEncoding;
    }
    if (result != FeedDecoding::Ok) out.clear();
    if (used) *used = e;
    return result;
}
