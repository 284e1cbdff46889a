// Random operations on wide strings and message lists, checked against a
// plain std::u16string and std::vector model (self-append and self-insert
// included).
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

// Every '<' ... '>' run goes; an unclosed '<' and what follows it stay.
std::u16string StripModel(std::u16string s) {
    size_t from = 0;
    for (;;) {
        const size_t start = s.find(u'<', from);
        if (start == std::u16string::npos) return s;
        const size_t end = s.find(u'>', start + 1);
        if (end == std::u16string::npos) return s;
        s.erase(start, end + 1 - start);
        from = start;
    }
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
        case 4: w[a].StripTags(u'<', u'>'), m[a] = StripModel(m[a]); break;
        case 5: {
            TickerMessage msg;
            msg.displayText = w[a];
            list.Add(msg);
            model.push_back(m[a]);
            break;
        }
        case 6:
            if (!model.empty()) {  // insert a copy of an item of the list itself
                const int32_t from = int32_t(in.Below(uint32_t(model.size())));
                const int32_t at = int32_t(in.Below(uint32_t(model.size()) + 3));
                list.InsertAt(at, list[from]);
                const std::u16string copy = model[size_t(from)];
                if (size_t(at) > model.size()) model.resize(size_t(at));
                model.insert(model.begin() + at, copy);
            }
            break;
        case 7: {
            const int32_t n = int32_t(in.Below(70));
            list.SetSize(n);
            model.resize(size_t(n));
            break;
        }
        case 8: list.RemoveAll(), model.clear(); break;
        }
        for (int k = 0; k < 2; ++k) Check(w[k].ToU16() == m[k] && w[k].Length() == int32_t(m[k].size()));
        Check(list.Count() == int32_t(model.size()) && list.Capacity() >= list.Count());
        for (int32_t i = 0; i < list.Count(); ++i) Check(list[i].displayText.ToU16() == model[size_t(i)]);
    }
    return 0;
}
