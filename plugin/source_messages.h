// The messages of the string and file sources, for a run that starts: the
// list entry is read under the lock, the messages (a file's lines) are
// built without it.
#pragma once
#include <cstdint>
#include <string>

#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "text/message_list.h"

// The strings or a text file; other sources leave `out` empty.
void LoadSourceMessages(TickerLock& lock, const SettingsStore& store, ContentSource source, MessageList& out);
// The text file the file source reads ("" when its index is off the list).
std::string SourceFile(TickerLock& lock, const SettingsStore& store);
