// A site's address where a feed's was expected: telling its page from a
// feed, and the page's feed link made an address the downloader asks for.
#pragma once
#include <cstddef>
#include <string>

// True for an HTML page: served as text/html (unless the body starts as an
// XML document or a feed's root does: some servers send feeds so), or a
// body that starts with <!DOCTYPE html or <html, after a byte-order mark and
// white space, whatever its Content-Type.
bool IsHtmlPage(const std::string& contentType, const char* bytes, size_t size);

// A link as a request names it: ASCII, every other character percent-encoded
// as UTF-8, as browsers send it.
std::string RequestAddress(const std::u16string& link);
