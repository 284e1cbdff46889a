// Which character encoding a downloaded feed is in, and its bytes as UTF-16.
// The reader decides in this order: a byte-order mark, the XML declaration's
// encoding, the charset of the HTTP Content-Type, else UTF-8 (and the ANSI
// code page when the bytes are not UTF-8).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ansi_codec.h"

constexpr uint32_t kCodePageUtf8 = 65001;
constexpr uint32_t kCodePageUtf16 = 1200;  // either byte order: the bytes tell which

// "text/xml; Charset=\"ISO-8859-1\"" gives "ISO-8859-1"; "" when there is none.
std::string CharsetOfContentType(const std::string& contentType);

// The code page of an encoding label (case and surrounding blanks aside,
// the usual aliases included); 0 when the name is unknown. ISO-8859-1,
// US-ASCII and ISO-8859-9 read as their Windows supersets, as browsers do.
uint32_t CodePageOfEncoding(const std::string& name);

struct FeedEncoding {
    enum Source { ByteOrderMark, Declaration, HttpCharset, Default };
    Source source = Default;
    std::string label;      // the name as the document or the server gave it
    uint32_t codePage = 0;  // 0: unknown label (kAnsiCodePage only for Default)
    bool bigEndian = false;  // UTF-16
    size_t skip = 0;         // bytes of the byte-order mark
};

// The encoding the bytes say they are in. Default means: UTF-8 when the
// bytes are UTF-8, else the ANSI code page.
FeedEncoding DetectFeedEncoding(const char* bytes, size_t size, const std::string& httpCharset);

enum class FeedDecoding { Ok, UnknownEncoding, InvalidBytes };

// The bytes as UTF-16, through the codec for every code page but UTF-8 and
// UTF-16. Bytes that the named encoding does not define make the feed
// invalid, as does a UTF-16 name on bytes that are not UTF-16. `lenient`
// (a web page, read only for its feed link) takes such bytes as the system
// does, with replacement characters, instead.
FeedDecoding DecodeFeedBytes(const char* bytes, size_t size, const std::string& httpCharset, const AnsiCodec& codec,
                             std::u16string& out, FeedEncoding* used = nullptr, bool lenient = false);
