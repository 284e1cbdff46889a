// Arbitrary item texts (dates, titles, markup, long fields) through the
// message builder and the newest-first order: no crash, and the list stays
// sorted with the undated items last.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "feed/feed_items.h"

namespace {

struct PlainFormatter final : DateFormatter {
    std::u16string Format(const char* format, const CalendarFields& f, int32_t) const override {
        std::u16string s;
        for (const char* p = format; *p; ++p) s.push_back(char16_t(*p));
        return s + char16_t(u'0' + f.day % 10);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    static const RuntimeTimeZone zone;
    static const PlainFormatter formatter;
    FeedItemOptions o;
    const uint8_t flags = in.Byte();
    o.date = flags & 1, o.time = flags & 2, o.title = flags & 4, o.description = flags & 8, o.latestNews = flags & 16;
    o.lastUpdate = uint64_t(in.U32()) << 24;
    const uint64_t now = (uint64_t(in.U32()) << 28) | in.U32();
    MessageList list, built;
    TickerMessage work;
    for (int k = 0; k < 16 && !in.Done(); ++k) {
        FeedItemTexts item;
        const std::string date = in.Bytes(48);
        item.pubDate.assign(date.begin(), date.end());
        item.title = in.Text(300);
        item.description = in.Text(2000);
        if (BuildItemMessage(item, o, now, zone, formatter, work)) {
            InsertNewestFirst(list, work);
            built.Add(work);
        }
    }
    for (int32_t i = 1; i < list.Count(); ++i)
        if (list[i - 1].stamp < list[i].stamp) std::abort();
    // Ordering the whole list at once gives the insertion's order exactly.
    MessageList ordered;
    OrderNewestFirst(built, ordered);
    if (ordered.Count() != list.Count()) std::abort();
    for (int32_t i = 0; i < list.Count(); ++i)
        if (ordered[i].stamp != list[i].stamp || ordered[i].displayText.ToU16() != list[i].displayText.ToU16())
            std::abort();
    return 0;
}
