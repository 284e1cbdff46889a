// The independent-strings source and the text-file source.
#include <cstdio>
#include <string>

#include "sources/text_sources.h"

void BuildStringMessages(const StringList& strings, int32_t index, MessageList& out) {
    TickerMessage m;
    const std::string* text = ListEntry(strings, index);
    m.displayText.AssignAnsi(text ? text->c_str() : "");  // an index off the list shows one empty message
    out.SetSize(0);
    out.Add(m);
}

namespace {

// A file saved as "Unicode" by Notepad: UTF-16 after a byte-order mark. Lines
// end as in an ANSI file; NUL characters are dropped.
void BuildUtf16Messages(std::FILE* f, bool bigEndian, MessageList& out) {
    TickerMessage m;
    std::u16string line;
    bool pending = false;
    unsigned char buffer[65536];
    size_t n, carry = 0;
    while ((n = std::fread(buffer + carry, 1, sizeof buffer - carry, f)) > 0) {
        n += carry;
        size_t i = 0;
        for (; i + 1 < n; i += 2) {
            const char16_t c = bigEndian ? char16_t(buffer[i] << 8 | buffer[i + 1]) : char16_t(buffer[i + 1] << 8 | buffer[i]);
            if (c == u'\n') {
                if (!line.empty() && line.back() == u'\r') line.pop_back();
                m.displayText = line.c_str();
                out.Add(m);
                line.clear();
                pending = false;
            } else {
                if (c != 0) line.push_back(c);
                pending = true;
            }
        }
        carry = n - i;  // an odd byte waits for its partner
        if (carry) buffer[0] = buffer[i];
    }
    if (pending) {
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        m.displayText = line.c_str();
        out.Add(m);
    }
}

}  // namespace

void BuildFileMessages(const StringList& files, int32_t index, MessageList& out) {
    out.SetSize(0);
    TickerMessage m;
    const std::string* path = ListEntry(files, index);
    std::FILE* f = (path && !path->empty()) ? std::fopen(path->c_str(), "rb") : nullptr;
    if (!f) {
        m.displayText = u"Файл не найден";
        out.Add(m);
        return;
    }
    unsigned char mark[2] = {0, 0};
    const size_t marked = std::fread(mark, 1, 2, f);
    if (marked == 2 && ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF))) {
        BuildUtf16Messages(f, mark[0] == 0xFE, out);
        std::fclose(f);
        if (out.Count() == 0) out.Add(m);
        return;
    }
    std::rewind(f);
    // Lines end with LF or CR LF; empty lines stay, a last line without an end is kept.
    std::string line;
    char buffer[65536];
    bool pending = false;
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                m.displayText.AssignAnsi(line.c_str());
                out.Add(m);
                line.clear();
                pending = false;
            } else if (c != '\0') {  // a NUL would cut the line short in any C string
                line.push_back(c);
                pending = true;
            } else {
                pending = true;
            }
        }
    }
    std::fclose(f);
    if (pending) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        m.displayText.AssignAnsi(line.c_str());
        out.Add(m);
    }
    if (out.Count() == 0) {
        m.displayText.Clear();
        out.Add(m);
    }
}
