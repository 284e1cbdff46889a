// A site's address where a feed's was expected: telling its page from a
// feed, and the page's feed link made an address the downloader asks for.
#pragma once
#include <cstddef>
#include <string>

#include "base/ansi_codec.h"

// True for an HTML page: served as text/html (unless the body starts as an
// XML document or a feed's root does: some servers send feeds so), or a
// body that starts with <!DOCTYPE html or <html, after a byte-order mark and
// white space, whatever its Content-Type.
bool IsHtmlPage(const std::string& contentType, const char* bytes, size_t size);

// A link as a request names it: ASCII, every other character percent-encoded
// as UTF-8, as browsers send it.
std::string RequestAddress(const std::u16string& link);

// The charset a page is read in: the server's (its Content-Type), else the
// one its head declares (<meta charset>, or http-equiv Content-Type, within
// the first 1024 bytes, as browsers look for it) when the system knows it;
// "" for neither. A page that declares UTF-16 in 8-bit bytes is UTF-8.
std::string PageCharset(const std::string& contentType, const char* bytes, size_t size);

// The request address of the feed a site's page names, made absolute
// against the page's own address (`pageUrl`, in the ANSI code page); empty
// when the page names none that is a web address, or cannot be decoded.
std::string FeedAddressOfPage(const char* bytes, size_t size, const std::string& contentType,
                              const std::string& pageUrl, const AnsiCodec& codec);
