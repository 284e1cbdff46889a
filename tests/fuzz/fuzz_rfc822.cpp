// Any text as a publication date: no crash and no undefined behaviour, and
// a date that parses lies in the representable range.
#include <cstdlib>
#include <string>

#include "sources/rfc822_date.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Moscow", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const RuntimeTimeZone zone;
    int64_t seconds = 0;
    if (ParseRfc822Date(text, zone, &seconds) && seconds < 0) std::abort();  // dates before 1970 are undated
    return 0;
}
