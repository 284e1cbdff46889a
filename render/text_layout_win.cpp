#include "render/text_layout_win.h"

#include <usp10.h>

#include <algorithm>
#include <vector>

#include "render/font_fallback.h"

namespace {

class SetCoverage final : public FontCoverage {
public:
    explicit SetCoverage(const GdiFontSet& fonts) : fonts_(fonts) {}
    const std::vector<int32_t>& Candidates(ScriptGroup group) override { return fonts_.Candidates(group); }
    bool Covers(int32_t font, char32_t c) override {
        const GdiFont& f = *fonts_.Font(font);
        return f.Readable() ? f.Holds(c) : font == 0;  // the band's font, if unreadable, is taken at its word
    }

private:
    const GdiFontSet& fonts_;
};

struct Span {
    FontSpan chars;
    SCRIPT_ANALYSIS analysis;
};

// One span's glyphs, placed.
struct Shaped {
    std::vector<WORD> glyphs, clusters;
    std::vector<SCRIPT_VISATTR> attributes;
    std::vector<int> advances;
    std::vector<GOFFSET> offsets;
    std::vector<int32_t> du, dv;
    std::vector<uint8_t> hidden;
    int count = 0;
};

// Uniscribe numbers a span's glyphs in 16 bits: a long span is shaped in
// pieces, cut after a blank where there is one, never inside a cluster.
constexpr int32_t kMostShaped = 4096;

void AddCut(const std::u16string& text, FontSpan piece, const SCRIPT_ANALYSIS& analysis, std::vector<Span>& spans) {
    while (piece.end - piece.begin > kMostShaped) {
        int32_t cut = piece.begin + kMostShaped;
        const int32_t blank = int32_t(text.rfind(u' ', size_t(cut - 1)));
        if (blank >= piece.begin + kMostShaped / 2) cut = blank + 1;
        else
            while (cut > piece.begin + 1 && ((text[size_t(cut)] >= 0xDC00 && text[size_t(cut)] <= 0xDFFF) ||
                                             ClassOf(text[size_t(cut)]).kind != CharClass::Base))
                --cut;
        spans.push_back(Span{FontSpan{piece.begin, cut, piece.font}, analysis});
        piece.begin = cut;
    }
    spans.push_back(Span{piece, analysis});
}

bool Itemize(const std::u16string& text, bool rightToLeft, std::vector<SCRIPT_ITEM>& items, int* count) {
    SCRIPT_CONTROL control = {};
    SCRIPT_STATE state = {};
    state.uBidiLevel = rightToLeft ? 1 : 0;
    const int length = int(text.size());
    for (int room = std::min(length, length / 4 + 16);; room = std::min(length, room * 2)) {
        items.resize(size_t(room) + 1);  // ScriptItemize writes one more, the end
        const HRESULT hr = ScriptItemize(reinterpret_cast<const wchar_t*>(text.data()), length, room, &control, &state,
                                         items.data(), count);
        if (hr == S_OK) return true;
        if (hr != E_OUTOFMEMORY || room == length) return false;
    }
}

// Glyphs, placed, for the span's characters in its font; a font that cannot
// shape the script gives its glyphs unshaped.
bool ShapeSpan(HDC dc, SCRIPT_CACHE* cache, const wchar_t* chars, int length, SCRIPT_ANALYSIS analysis, Shaped& out) {
    int room = length * 3 / 2 + 16;
    out.clusters.resize(size_t(length));
    HRESULT hr;
    for (;;) {
        out.glyphs.resize(size_t(room));
        out.attributes.resize(size_t(room));
        hr = ScriptShape(dc, cache, chars, length, room, &analysis, out.glyphs.data(), out.clusters.data(),
                         out.attributes.data(), &out.count);
        if (hr == E_OUTOFMEMORY && room < length * 8 + 64) room *= 2;
        else if (hr == USP_E_SCRIPT_NOT_IN_FONT && analysis.eScript != SCRIPT_UNDEFINED) analysis.eScript = SCRIPT_UNDEFINED;
        else break;
    }
    if (hr != S_OK) return false;
    const size_t n = size_t(out.count);
    out.advances.resize(n);
    out.offsets.resize(n);
    ABC abc = {};
    if (ScriptPlace(dc, cache, out.glyphs.data(), out.count, out.attributes.data(), &analysis, out.advances.data(),
                    out.offsets.data(), &abc) != S_OK)
        return false;
    out.du.resize(n);
    out.dv.resize(n);
    for (size_t g = 0; g < n; ++g) out.du[g] = out.offsets[g].du, out.dv[g] = out.offsets[g].dv;
    // A cluster of invisible characters only (a variation selector, a
    // direction mark) draws nothing, whatever glyph the font maps it to.
    out.hidden.assign(n, 0);
    size_t units = 1;
    for (int i = 0; i < length;) {
        int j = i;
        bool invisible = true;
        while (j < length && out.clusters[size_t(j)] == out.clusters[size_t(i)]) {
            invisible = invisible && ClassOf(CodePointAt(reinterpret_cast<const char16_t*>(chars), size_t(length),
                                                         size_t(j), &units)).kind == CharClass::Invisible;
            j += int(units);
        }
        if (invisible) {
            // Glyphs from the cluster's first to the next cluster's, in glyph order.
            const int from = out.clusters[size_t(i)];
            int to = analysis.fRTL ? (i > 0 ? out.clusters[size_t(i - 1)] : out.count)
                                   : (j < length ? out.clusters[size_t(j)] : out.count);
            to = std::min(to, out.count);
            for (int g = from; g < to; ++g) out.hidden[size_t(g)] = 1, out.advances[size_t(g)] = 0;
        }
        i = j;
    }
    return true;
}

}  // namespace

bool NeedsLayout(const GdiFontSet& fonts, const std::u16string& text, BaseDirection direction) {
    if (direction == BaseDirection::RightToLeft || !IsPlainText(text)) return true;
    const GdiFont& band = *fonts.Font(0);
    if (!band.Readable()) return false;
    for (char16_t c : text)
        if (c >= 0x20 && !band.Holds(c)) return true;  // control characters stay as GDI has always drawn them
    return false;
}

std::shared_ptr<const TextLayout> BuildTextLayout(const GdiFontSet& fonts, const std::u16string& text,
                                                  BaseDirection direction) {
    const bool rightToLeft = IsRightToLeft(direction, text);
    auto layout = std::make_shared<TextLayout>();
    LayoutWriter writer(*layout, rightToLeft);
    if (text.empty()) return layout;
    std::vector<SCRIPT_ITEM> items;
    int itemCount = 0;
    if (!Itemize(text, rightToLeft, items, &itemCount)) return nullptr;

    // Spans of one script, one direction and one font, in logical order.
    SetCoverage coverage(fonts);
    std::vector<Span> spans;
    std::vector<FontSpan> pieces;
    for (int i = 0; i < itemCount; ++i) {
        pieces.clear();
        SplitByFont(text.data(), items[size_t(i)].iCharPos, items[size_t(i) + 1].iCharPos, coverage, pieces);
        for (const FontSpan& piece : pieces) AddCut(text, piece, items[size_t(i)].a, spans);
    }
    std::vector<BYTE> levels(spans.size());
    for (size_t i = 0; i < spans.size(); ++i) levels[i] = BYTE(spans[i].analysis.s.uBidiLevel);
    std::vector<int> visual(spans.size());
    if (!spans.empty() && ScriptLayout(int(spans.size()), levels.data(), visual.data(), nullptr) != S_OK) return nullptr;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    const HGDIOBJ previous = GetCurrentObject(dc, OBJ_FONT);
    std::vector<SCRIPT_CACHE> caches(size_t(fonts.Count()), nullptr);
    const int32_t ascent = fonts.Font(0)->Ascent();
    Shaped shaped;
    bool ok = true;
    for (size_t v = 0; v < spans.size() && ok; ++v) {
        const Span& span = spans[size_t(visual[v])];
        const std::shared_ptr<GdiFont>& font = fonts.Font(span.chars.font);
        SelectObject(dc, font->Handle());
        ok = ShapeSpan(dc, &caches[size_t(span.chars.font)], reinterpret_cast<const wchar_t*>(text.data()) + span.chars.begin,
                       span.chars.end - span.chars.begin, span.analysis, shaped);
        if (!ok) break;
        // A fallback font stands on the band font's baseline.
        writer.Add(writer.AddFont(font), ascent - font->Ascent(), shaped.glyphs.data(), shaped.advances.data(),
                   shaped.du.data(), shaped.dv.data(), shaped.hidden.data(), shaped.count);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    for (SCRIPT_CACHE& cache : caches)
        if (cache) ScriptFreeCache(&cache);
    if (!ok) return nullptr;
    layout->overhang = std::max(256, 2 * ascent);
    return layout;
}
