#include "plugin/source_messages.h"

#include <optional>
#include <string>

#include "sources/text_sources.h"

void LoadSourceMessages(TickerLock& lock, const SettingsStore& store, ContentSource source, MessageList& out) {
    const bool strings = source == ContentSource::Strings;
    if (!strings && source != ContentSource::TextFile) return;
    std::optional<std::string> entry;  // the one entry the source reads; none when the index is off the list
    {
        LockGuard guard(lock);
        const StringList& list = strings ? store.strings : store.files;
        if (const std::string* e = ListEntry(list, strings ? store.live.StrIdx : store.live.FileIdx)) entry = *e;
    }
    const std::string* read = entry ? &*entry : nullptr;
    if (strings) BuildStringMessages(read, out);
    else BuildFileMessages(read, out);
}

std::string SourceFile(TickerLock& lock, const SettingsStore& store) {
    LockGuard guard(lock);
    const std::string* e = ListEntry(store.files, store.live.FileIdx);
    return e ? *e : std::string();
}

void LoadAnnouncements(TickerLock& lock, const SettingsStore& store, MessageList& out) {
    StringList strings;
    {
        LockGuard guard(lock);
        strings = store.strings;
    }
    out.RemoveAll();
    for (const std::string& entry : strings) {
        if (entry.empty()) continue;
        MessageList one;
        BuildStringMessages(&entry, one);
        for (int32_t i = 0; i < one.Count(); ++i) out.Add(one[i]);
    }
}
