// The dialog's list rules on random lists and edits: every list keeps
// exactly one trailing empty entry, and nothing else is lost or empty.
#include <cstdlib>
#include <string>

#include "dialog/dialog_rules.h"
#include "fuzz_input.h"

namespace {

void CheckList(const StringList& list) {
    if (list.empty() || !list.back().empty()) std::abort();
    for (size_t i = 0; i + 1 < list.size(); ++i)
        if (list[i].empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    StringList list;
    const uint32_t n = in.Below(8);
    for (uint32_t i = 0; i < n; ++i) list.push_back("entry" + std::to_string(i));
    list.push_back(std::string());  // as the loader leaves every list
    for (int step = 0; step < 32 && !in.Done(); ++step) {
        const size_t before = list.size();
        if (in.Byte() % 4 == 0) {
            const std::string path = "C:\\" + in.Bytes(12) + "x.txt";
            const int32_t at = AddFileToList(list, path);
            if (list[size_t(at)] != path || list.size() != before + 1) std::abort();
        } else {
            const int32_t index = int32_t(in.U32() % 24) - 4;  // off the list too
            std::string text = in.Bytes(10);
            const int32_t at = CommitComboEdit(list, index, text);
            if (at < 0 || size_t(at) >= list.size()) std::abort();
            if (!text.empty() && list[size_t(at)] != text) std::abort();  // typed text is never lost
        }
        CheckList(list);
    }
    return 0;
}
