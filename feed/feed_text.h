// A feed item's title or description as it goes on air.
#pragma once
#include <string>

// Markup removed (everything from '<' to the next '>'), character references
// decoded (HTML 4 names and numbers), every run of white space (line breaks,
// tabs, no-break and other Unicode spaces) one blank, none at either end.
// Control characters are dropped; U+0080..U+009F read as Windows-1252.
std::u16string CleanFeedText(const std::u16string& text);

// Plain text (an Atom title of type text) as written: no markup removed, no
// reference decoded; white space and control characters as CleanFeedText
// has them.
std::u16string CleanPlainText(const std::u16string& text);

// `text` without white space at either end.
std::u16string TrimmedFeedSpace(const std::u16string& text);

// The white space that CleanFeedText folds into one blank.
bool IsFeedSpace(char16_t c);
