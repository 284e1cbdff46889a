// The independent-strings source and the text-file source.
#include <cstdio>

#include "sources/text_sources.h"

void BuildStringMessages(const StringList& strings, int32_t index, MessageList& out) {
    TickerMessage m;
    const std::string* text = ListEntry(strings, index);
    m.displayText.AssignAnsi(text ? text->c_str() : "");  // an index off the list shows one empty message
    out.SetSize(0);
    out.Add(m);
}

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
