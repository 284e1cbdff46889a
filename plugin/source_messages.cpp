#include "plugin/source_messages.h"

#include "sources/text_sources.h"

void LoadSourceMessages(TickerLock& lock, const SettingsStore& store, int32_t source, MessageList& out) {
    if (source != 0 && source != 1) return;
    StringList entry;  // the one entry the source reads, or none when the index is off the list
    {
        LockGuard guard(lock);
        const StringList& list = source == 0 ? store.strings : store.files;
        if (const std::string* e = ListEntry(list, source == 0 ? store.live.StrIdx : store.live.FileIdx))
            entry.push_back(*e);
    }
    if (source == 0) BuildStringMessages(entry, 0, out);
    else BuildFileMessages(entry, 0, out);
}
