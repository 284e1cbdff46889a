// Random operations on wide strings and message lists, checked against a
// plain std::u16string and std::vector model (self-append and an item added
// from the list itself included), and markup stripping by its properties.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "text/message_list.h"
#include "text/wide_string.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::u16string NoNul(std::u16string s) {
    const size_t nul = s.find(u'\0');
    return nul == std::u16string::npos ? s : s.substr(0, nul);
}

bool IsSubsequence(const std::u16string& part, const std::u16string& whole) {
    size_t at = 0;
    for (char16_t c : part) {
        at = whole.find(c, at);
        if (at == std::u16string::npos) return false;
        ++at;
    }
    return true;
}

// What stripping markup from `before` must give: no '<' ... '>' left, the
// rest kept in order, the text before the first '<' and after the last '>'
// untouched, nothing more to strip, and text without markup unchanged.
void CheckStripped(const std::u16string& before, const std::u16string& after) {
    const size_t open = after.find(u'<');
    Check(open == std::u16string::npos || after.find(u'>', open) == std::u16string::npos);
    Check(IsSubsequence(after, before));
    const size_t firstOpen = before.find(u'<');
    Check(after.compare(0, firstOpen == std::u16string::npos ? after.size() : firstOpen,
                        before, 0, firstOpen == std::u16string::npos ? before.size() : firstOpen) == 0);
    const size_t lastClose = before.rfind(u'>');
    if (lastClose != std::u16string::npos) {
        const std::u16string tail = before.substr(lastClose + 1);
        Check(after.size() >= tail.size() && after.compare(after.size() - tail.size(), tail.size(), tail) == 0);
    }
    const size_t o = before.find(u'<');
    if (o == std::u16string::npos || before.find(u'>', o) == std::u16string::npos) Check(after == before);
    WideString again(after);
    again.StripTags(u'<', u'>');
    Check(again.ToU16() == after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    WideString w[2];
    std::u16string m[2];
    MessageList list;
    std::vector<std::u16string> model;
    for (int step = 0; step < 64 && !in.Done(); ++step) {
        const int a = in.Byte() % 2, b = in.Byte() % 2;
        const bool roomy = m[0].size() + m[1].size() < 4096;  // self-appends double the text
        switch (roomy ? in.Byte() % 9 : 3) {
        case 0: {
            const std::u16string t = NoNul(in.Text(40));
            w[a] = t.c_str(), m[a] = t;
            break;
        }
        case 1: w[a].Append(w[b]), m[a] += m[b]; break;  // a == b appends itself
        case 2: w[a].Append(w[a].Raw()), m[a] += m[a]; break;
        case 3: w[a].Clear(), m[a].clear(); break;
        case 4:
            w[a].StripTags(u'<', u'>');
            CheckStripped(m[a], w[a].ToU16());
            m[a] = w[a].ToU16();
            break;
        case 5: {
            TickerMessage msg;
            msg.displayText = w[a];
            list.Add(msg);
            model.push_back(m[a]);
            break;
        }
        case 6:
            if (!model.empty()) {  // a copy of an item of the list itself, while the list may grow
                const int32_t from = int32_t(in.Below(uint32_t(model.size())));
                list.Add(list[from]);
                model.push_back(model[size_t(from)]);
            }
            break;
        case 7: {  // a list built elsewhere takes this one's place
            MessageList other;
            other.Reserve(int32_t(in.Below(70)));
            list.Swap(other);
            model.clear();
            break;
        }
        case 8: list.RemoveAll(), model.clear(); break;
        }
        for (int k = 0; k < 2; ++k) Check(w[k].ToU16() == m[k] && w[k].Length() == int32_t(m[k].size()));
        Check(list.Count() == int32_t(model.size()));
        for (int32_t i = 0; i < list.Count(); ++i) Check(list[i].displayText.ToU16() == model[size_t(i)]);
    }
    return 0;
}
