// A downloaded feed made ready for the XML parser: decoded to UTF-16, its
// XML declaration gone (the text is no longer in the encoding it names), a
// document type that only points elsewhere dropped, and the HTML entities
// such a document type would define written as character references.
#pragma once
#include <cstddef>
#include <string>

#include "base/ansi_codec.h"
#include "feed/feed_encoding.h"

enum class FeedTextResult {
    Ok,
    UnknownEncoding,  // a name no code page of the system answers to
    InvalidBytes,     // bytes the named encoding does not define
    EntityDefinitions,  // a document type that defines entities of its own
};

// The text that MSXML's loadXML reads; `used` says which encoding was taken.
FeedTextResult PrepareFeedText(const char* bytes, size_t size, const std::string& httpCharset, const AnsiCodec& codec,
                               std::u16string& text, FeedEncoding* used = nullptr);

// The steps after decoding, each on the UTF-16 text:
// Drops white space and a byte-order mark before the first markup, and the
// XML declaration.
void RemoveXmlDeclaration(std::u16string& text);
// Removes a document type declaration from the prolog. False (text
// unchanged) when its internal subset declares anything but external
// parameter entities: general entities (billion laughs, external entities)
// and entity values are never accepted.
bool RemoveDocumentType(std::u16string& text);
// Writes every HTML 4 entity reference ("&nbsp;") as a character reference
// ("&#160;"), outside comments, CDATA sections and processing instructions.
// The five XML entities and unknown names stay as they are.
void ReplaceHtmlEntityReferences(std::u16string& text);

// The bytes of a feed cut off at a size limit, cut again before their last
// '<': whatever follows it is incomplete, and a cut there never splits a
// character (in UTF-16, after a byte-order mark, it is the last '<' unit).
void CutBeforeLastMarkup(std::string& bytes);

// A feed cut off at a size limit, made whole: everything after the last
// complete item (an element named "item" or "entry", with any prefix) is
// dropped and the elements still open there are closed. False, the text
// unchanged, when no item ends in it.
bool CloseTruncatedFeed(std::u16string& text);
