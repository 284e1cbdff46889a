// The independent-strings source and the text-file source.
#include <cstdio>
#include <string>

#include "sources/text_sources.h"

#include "base/ansi_codec.h"
#include "base/byte_order_mark.h"
#include "text/unicode_text.h"

void BuildStringMessages(const std::string* entry, MessageList& out) {
    TickerMessage m;
    m.displayText.AssignAnsi(entry ? entry->c_str() : "");
    out.RemoveAll();
    out.Add(m);
}

namespace {

// One message per line: LF or CR LF ends a line, empty lines stay, a last
// line without an end is kept; NUL characters are dropped.
void AddLines(const std::u16string& text, MessageList& out) {
    TickerMessage m;
    std::u16string line;
    const auto addLine = [&] {
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        m.displayText = line;
        out.Add(m);
        line.clear();
    };
    bool pending = false;  // characters after the last line end
    for (char16_t c : text) {
        if (c == u'\n') {
            addLine();
            pending = false;
        } else {
            if (c != 0) line.push_back(c);
            pending = true;
        }
    }
    if (pending) addLine();
}

bool ReadWhole(std::FILE* f, std::string& bytes) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    return !std::ferror(f);
}

}  // namespace

void BuildFileMessages(const std::string* path, MessageList& out) {
    out.RemoveAll();
    TickerMessage m;
    std::FILE* f = (path && !path->empty()) ? std::fopen(path->c_str(), "rb") : nullptr;
    if (!f) {
        m.displayText = u"Файл не найден";
        out.Add(m);
        return;
    }
    std::string bytes;
    ReadWhole(f, bytes);  // what was read before an error still shows
    std::fclose(f);
    BuildTextMessages(bytes, out);
}

void BuildTextMessages(const std::string& bytes, MessageList& out) {
    out.RemoveAll();
    TickerMessage m;
    const size_t size = bytes.size();
    std::u16string text;
    const ByteOrderMark mark = SniffByteOrderMark(bytes.data(), size);
    if (mark.kind == ByteOrderMark::Utf16) {
        // saved as "Unicode" by Notepad
        AppendUtf16(bytes.data() + mark.length, size - mark.length, mark.bigEndian, text);
    } else if (mark.kind == ByteOrderMark::Utf8) {
        AppendUtf8(bytes.data() + mark.length, size - mark.length, text);
    } else if (HasNonAscii(bytes.data(), size) && IsUtf8(bytes.data(), size)) {
        // Text in the ANSI code page is practically never valid UTF-8 once it
        // holds a letter beyond ASCII.
        AppendUtf8(bytes.data(), size, text);
    } else if (!SystemAnsiCodec().Decode(kAnsiCodePage, bytes.data(), size, false, text)) {
        text.assign(bytes.begin(), bytes.end());
    }
    AddLines(text, out);
    if (out.Count() == 0) {
        m.displayText.Clear();
        out.Add(m);
    }
}

bool TextFileWatch::Look(FileProbe& probe, MessageList& out) {
    const FileStamp now = probe.Stamp(path_);
    if (!now.exists || now == seen_) return false;
    std::string bytes;
    if (!probe.Read(path_, bytes)) return false;
    // A writer still at work: the bytes may be half of it.
    if (!(probe.Stamp(path_) == now)) return false;
    seen_ = now;
    BuildTextMessages(bytes, out);
    return true;
}
