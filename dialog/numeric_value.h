// What a numeric edit accepts: an integer by the rules of the dialog
// manager's integer read (leading blanks, an optional minus sign, decimal
// digits and nothing else), inside its spin's range.
#pragma once
#include <cstdint>
#include <string>

// False for empty text, other characters, or a value outside 32 bits.
bool ParseDialogInt(const std::u16string& text, int32_t* value);

// The balloon's text for a rejected entry; `orZero`: 0 is taken too.
std::u16string RangeMessage(int32_t lower, int32_t upper, bool orZero = false);
