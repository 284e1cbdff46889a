// A feed item's title or description as it goes on air.
#pragma once
#include <string>

// Markup removed (everything from '<' to the next '>'), character references
// decoded (HTML 4 names and numbers), every run of white space (line breaks,
// tabs, no-break and other Unicode spaces) one blank, none at either end.
// Control characters are dropped; U+0080..U+009F read as Windows-1252.
std::u16string CleanFeedText(const std::u16string& text);

// The white space that CleanFeedText folds into one blank.
bool IsFeedSpace(char16_t c);
