// The messages of the string and file sources, for a run that starts, and
// the station's announcements: the list entries are read under the lock,
// the messages (a file's lines) are built without it.
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
// Every non-empty entry of the string list, one message each, in list order.
void LoadAnnouncements(TickerLock& lock, const SettingsStore& store, MessageList& out);
