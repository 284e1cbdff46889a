// Links as feeds and pages write them, often relative to the address they
// came from ("/news/1", "../img", "//cdn.example/x"), made absolute.
#pragma once
#include <string>

// RFC 3986's reference resolution (section 5.2, strict): `reference` against
// the absolute address `base`, dot segments removed, the base's fragment
// dropped. Blanks and line breaks around either are ignored. A base without
// a scheme cannot make anything absolute: the reference comes back as it is.
std::u16string ResolveUrl(const std::u16string& base, const std::u16string& reference);
