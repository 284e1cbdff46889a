// The settings dialog's rules that need no window: where it opens, and how
// the typed text of a combo box enters its content list.
#pragma once
#include <cstdint>
#include <string>

#include "base/geometry.h"
#include "settings/ticker_settings.h"

// The position stored as "never placed".
constexpr int32_t kNeverPlaced = -100;

// The top-left corner the dialog opens at. A stored position is kept unless
// it is the never-placed pair or lies beyond the screen's right or bottom
// edge; then the dialog is centred on the host window (on the screen when
// there is none), and a negative result becomes 0.
void PlaceDialog(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight, const Rect& dialog,
                 const Rect& host, int32_t* x, int32_t* y);

// Puts the text typed into a combo's edit field into its list, at the entry
// `index` selected before typing: text on the trailing empty entry adds an
// entry, text over an entry replaces it, an emptied entry is deleted. The
// list keeps exactly one trailing empty entry. An index off the list (a
// hand-edited file) counts as the trailing empty entry, so that the typed
// text is not lost. Returns the new index, which is also the selection.
int32_t CommitComboEdit(StringList& list, int32_t index, const std::string& text);

// Inserts a chosen file just before the trailing empty entry; returns the
// new FileIdx, which selects it.
int32_t AddFileToList(StringList& files, const std::string& path);

// The control key as typed, kept to what a request carries alike in a
// header and in a form: printable ASCII without blanks. The rest is left out.
std::u16string KeyCharacters(const std::u16string& typed);
