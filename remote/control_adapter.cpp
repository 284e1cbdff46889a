#include "remote/control_adapter.h"

#include "base/ansi_codec.h"

namespace {

struct SourceBinding {
    SourceKind kind;
    ContentSource source;
    ContentList list;
    int32_t TickerSettings::*index;
    const char* listName;
};

constexpr SourceBinding kSources[] = {
    {SourceKind::String, ContentSource::Strings, ContentList::Strings, &TickerSettings::StrIdx, "string"},
    {SourceKind::File, ContentSource::TextFile, ContentList::Files, &TickerSettings::FileIdx, "file"},
    {SourceKind::Feed, ContentSource::Feed, ContentList::Urls, &TickerSettings::URLIdx, "feed"},
};

// The entries a source can show: the list without its trailing empty one.
int32_t UsableEntries(const StringList& list) {
    int32_t n = int32_t(list.size());
    while (n > 0 && list[size_t(n - 1)].empty()) --n;
    return n;
}

}  // namespace

ChangeOutcome ControlAdapter::ChangeSource(SourceKind kind, std::optional<int32_t> index) {
    if (kind == SourceKind::AllFeeds) {
        if (index) return ChangeOutcome::Refused(400, "\"index\" is not taken with kind all-feeds: every feed is read");
        if (UsableEntries(control_.List(ContentList::Urls)) == 0)
            return ChangeOutcome::Refused(400, "the feed list is empty");
        control_.Set(&TickerSettings::AllFeeds, 1);
        control_.Set(&TickerSettings::StringSource, int64_t(ContentSource::Feed));
        return ChangeOutcome();
    }
    for (const SourceBinding& b : kSources) {
        if (b.kind != kind) continue;
        const int32_t usable = UsableEntries(control_.List(b.list));
        const int32_t chosen = index ? *index : control_.Settings().*b.index;
        if (usable == 0) return ChangeOutcome::Refused(400, std::string("the ") + b.listName + " list is empty");
        if (chosen < 0 || chosen >= usable)
            return ChangeOutcome::Refused(400, "\"index\" must be from 0 to " + std::to_string(usable - 1) + " (the " +
                                                   b.listName + " list has " + std::to_string(usable) + " entries)");
        if (kind == SourceKind::Feed) control_.Set(&TickerSettings::AllFeeds, 0);
        // As the dialog does it: the entry, then the source, which restarts a running line.
        control_.Set(b.index, chosen);
        control_.Set(&TickerSettings::StringSource, int64_t(b.source));
        ChangeOutcome done;
        done.index = chosen;
        return done;
    }
    return ChangeOutcome::Refused(400, "unknown source");
}

ChangeOutcome ControlAdapter::PutText(const std::u16string& text) {
    // The list is kept in the settings' code page: a text it cannot hold
    // would come back changed.
    const AnsiCodec& codec = SystemAnsiCodec();
    const std::string stored = codec.FromUtf16(text.c_str());
    if (codec.ToUtf16(stored.c_str()) != text)
        return ChangeOutcome::Refused(400, "\"text\" holds characters the string list's code page cannot hold");
    control_.PutString(stored);
    ChangeOutcome done;
    done.index = control_.Settings().StrIdx;
    return done;
}
