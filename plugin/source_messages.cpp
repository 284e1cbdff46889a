#include "plugin/source_messages.h"

#include "sources/text_sources.h"

void LoadSourceMessages(TickerLock& lock, const SettingsStore& store, ContentSource source, MessageList& out) {
    const bool strings = source == ContentSource::Strings;
    if (!strings && source != ContentSource::TextFile) return;
    StringList entry;  // the one entry the source reads, or none when the index is off the list
    {
        LockGuard guard(lock);
        const StringList& list = strings ? store.strings : store.files;
        if (const std::string* e = ListEntry(list, strings ? store.live.StrIdx : store.live.FileIdx))
            entry.push_back(*e);
    }
    if (strings) BuildStringMessages(entry, 0, out);
    else BuildFileMessages(entry, 0, out);
}

std::string SourceFile(TickerLock& lock, const SettingsStore& store) {
    LockGuard guard(lock);
    const std::string* e = ListEntry(store.files, store.live.FileIdx);
    return e ? *e : std::string();
}
