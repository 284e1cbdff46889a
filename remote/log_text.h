// What the endpoint writes into the plug-in's log: a line per change, whose
// quoted texts come from the network. Control characters are written as
// escapes (a text cannot break the log into lines of its own making), long
// texts are cut, and the key never appears.
#pragma once
#include <string>

#include "base/text.h"

class ControlLog {
public:
    virtual ~ControlLog() = default;
    // One line, without its time (the log adds it); called from the endpoint's thread.
    virtual void Line(const std::u16string& text) = 0;
};

constexpr size_t kLoggedTextChars = 120;

// `text` as the log may hold it: every control character as \xNN, a
// backslash as \\, `key` (when not empty) as "***", at most
// kLoggedTextChars characters of the result, then "...".
std::u16string LogSafe(const std::u16string& text, const std::u16string& key);

bool HasControlChars(const std::u16string& text);
