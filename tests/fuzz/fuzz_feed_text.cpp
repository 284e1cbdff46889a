// Any bytes as a downloaded feed on its way to the parser (encoding, the
// declaration, the document type rule, HTML entities), and any text as a
// title on its way to the band: no crash, no undefined behaviour; a
// document type that was accepted is gone, a cleaned text has no control
// characters and no blank at either end or twice in a row, and plain text
// (an Atom title of type text) keeps every '<', '>' and '&' it had: only
// markup loses its tags and references.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "feed/feed_document.h"
#include "feed/feed_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Cp1251Codec codec;
    const size_t split = size ? data[0] % 24 : 0;
    const std::string charset(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size > split + 1 ? split : 0);
    const size_t from = size > split + 1 ? split + 1 : size;
    const char* bytes = reinterpret_cast<const char*>(data) + from;
    std::u16string text;
    if (PrepareFeedText(bytes, size - from, charset, codec, text) == FeedTextResult::Ok) {
        std::u16string again = text;
        if (!RemoveDocumentType(again) || again != text) std::abort();  // none left to remove
    }
    std::u16string wide;
    for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(char16_t(data[i] | data[i + 1] << 8));
    for (const std::u16string& clean : {CleanFeedText(wide), CleanPlainText(wide)})
        for (size_t i = 0; i < clean.size(); ++i) {
            if (clean[i] < 0x20 || (clean[i] != u' ' && IsFeedSpace(clean[i]))) std::abort();
            if (clean[i] == u' ' && (i == 0 || i + 1 == clean.size() || clean[i + 1] == u' ')) std::abort();
        }
    const std::u16string plain = CleanPlainText(wide);
    for (char16_t kept : {u'<', u'>', u'&'})
        if (std::count(plain.begin(), plain.end(), kept) != std::count(wide.begin(), wide.end(), kept)) std::abort();
    return 0;
}
