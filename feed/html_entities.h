// HTML's character references in feed texts: the HTML 4 named set (252
// names) and the numeric forms.
#pragma once
#include <cstddef>
#include <string>

// The character an HTML 4 entity name stands for (case-sensitive); 0 when
// the name is not one of them.
char16_t HtmlEntityCharacter(const char16_t* name, size_t length);

// For U+0080..U+009F, the Windows-1252 character of that byte (0 where it has
// none), as browsers read such numeric references; other characters as they are.
char16_t CharacterForC1(char16_t c);

// Reads "&name;", "&#N;" or "&#xH;" at the start of `text`: its length, or 0
// when it is none of these (an unknown name, no ';'). Numbers that name no
// character give U+FFFD. "&apos;" is understood too.
size_t ReadCharacterReference(const char16_t* text, size_t length, char32_t* c);

// Replaces every character reference in the text by its character; what is
// not a reference stays as written.
void DecodeCharacterReferences(std::u16string& text);
