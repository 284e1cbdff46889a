// Arbitrary item texts (dates, titles, markup, long fields) through the
// message builder and the newest-first order: no crash, and the list stays
// sorted with the undated items last.
#include <cstdlib>
#include <string>
#include <vector>

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
    MessageList built;
    TickerMessage work;
    for (int k = 0; k < 16 && !in.Done(); ++k) {
        FeedItemTexts item;
        const std::string date = in.Bytes(48);
        item.pubDate.assign(date.begin(), date.end());
        item.title = in.Text(300);
        item.description = in.Text(2000);
        if (BuildItemMessage(item, o, now, zone, formatter, work)) {
            work.titleText = std::u16string(1, char16_t(1 + built.Count()));  // the arrival, for the check below
            built.Add(work);
        }
    }
    // Every message once, newest first, and equal stamps in document order.
    MessageList ordered;
    OrderNewestFirst(built, ordered);
    if (ordered.Count() != built.Count()) std::abort();
    std::vector<bool> seen(size_t(built.Count()), false);
    for (int32_t i = 0; i < ordered.Count(); ++i) {
        const int32_t arrived = int32_t(ordered[i].titleText.Str()[0]) - 1;
        if (arrived < 0 || arrived >= built.Count() || seen[size_t(arrived)]) std::abort();
        seen[size_t(arrived)] = true;
        if (ordered[i].displayText.ToU16() != built[arrived].displayText.ToU16()) std::abort();
        if (i == 0) continue;
        const TickerMessage& before = ordered[i - 1];
        if (before.stamp < ordered[i].stamp) std::abort();
        if (before.stamp == ordered[i].stamp && before.titleText.Str()[0] > ordered[i].titleText.Str()[0]) std::abort();
    }
    return 0;
}
