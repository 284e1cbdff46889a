// Any text as a publication date, read as RFC 822, in numbers and as a
// feed's date (UTF-16): no crash and no undefined behaviour, and a date
// that parses is never before 1980 (an earlier reading is a misreading).
#include <cstdlib>
#include <string>

#include "feed/feed_date.h"
#include "feed/rfc822_date.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Moscow", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const RuntimeTimeZone zone;
    int64_t seconds = 0;
    if (ParseRfc822Date(text, &seconds) && seconds < kEarliestFeedDate) std::abort();
    if (ParseNumericDate(text, zone, &seconds) && seconds < kEarliestFeedDate) std::abort();
    std::u16string wide;
    for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(char16_t(data[i] | data[i + 1] << 8));
    if (ParseFeedDate(wide, zone, &seconds) && seconds < kEarliestFeedDate) std::abort();
    return 0;
}
