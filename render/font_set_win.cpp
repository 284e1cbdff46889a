#include "render/font_set_win.h"

#include <usp10.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "render/font_fallback.h"

GdiFont::GdiFont(const LOGFONTW& logFont, HFONT font) : logFont_(logFont) { realised_.handle = font; }

GdiFont::~GdiFont() {
    if (realised_.handle) DeleteObject(realised_.handle);
}

const GdiFont::Realisation& GdiFont::Realised() const {
    if (ready_.load(std::memory_order_acquire)) return realised_;
    std::lock_guard<SrwLock> guard(lock_);
    if (ready_.load(std::memory_order_relaxed)) return realised_;
    if (!realised_.handle) realised_.handle = CreateFontIndirectW(&logFont_);
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc && realised_.handle) {
        HGDIOBJ previous = SelectObject(dc, realised_.handle);
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc, &metrics)) realised_.ascent = metrics.tmAscent;
        const bool symbols = metrics.tmCharSet == SYMBOL_CHARSET;
        const DWORD size = GetFontUnicodeRanges(dc, nullptr);
        if (size >= sizeof(GLYPHSET)) {
            std::vector<uint8_t> buffer(size);
            GLYPHSET* set = reinterpret_cast<GLYPHSET*>(buffer.data());
            // Ranges come in ascending order. Wine goes on with the ranges
            // beyond the BMP, cut to 16 bits: they start lower again.
            if (GetFontUnicodeRanges(dc, set))
                for (DWORD i = 0; i < set->cRanges; ++i) {
                    const WCRANGE& r = set->ranges[i];
                    if (i > 0 && r.wcLow <= set->ranges[i - 1].wcLow) break;
                    if (r.cGlyphs == 0) continue;
                    const uint32_t last = std::min<uint32_t>(0xFFFF, uint32_t(r.wcLow) + r.cGlyphs - 1);
                    realised_.ranges.emplace_back(char16_t(r.wcLow), char16_t(last));
                }
        }
        realised_.readable = !symbols && !realised_.ranges.empty();
        SelectObject(dc, previous);
    }
    if (dc) DeleteDC(dc);
    ready_.store(true, std::memory_order_release);
    return realised_;
}

bool GdiFont::Holds(char32_t c) const {
    const Realisation& r = Realised();
    if (c > 0xFFFF) return Shapes(c);
    auto at = std::upper_bound(r.ranges.begin(), r.ranges.end(), std::make_pair(char16_t(c), char16_t(0xFFFF)));
    return at != r.ranges.begin() && c <= (--at)->second;
}

// GDI reads no character ranges beyond the BMP: a character there is
// shaped alone and its glyph compared with the font's missing glyph.
bool GdiFont::Shapes(char32_t c) const {
    std::lock_guard<SrwLock> guard(lock_);
    for (const auto& known : beyond_)
        if (known.first == c) return known.second;
    const wchar_t pair[2] = {wchar_t(0xD800 + ((c - 0x10000) >> 10)), wchar_t(0xDC00 + ((c - 0x10000) & 0x3FF))};
    bool held = false;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) {
        HGDIOBJ previous = SelectObject(dc, realised_.handle);
        SCRIPT_ITEM items[3] = {};
        int count = 0;
        SCRIPT_CACHE cache = nullptr;
        if (ScriptItemize(pair, 2, 2, nullptr, nullptr, items, &count) == S_OK && count > 0) {
            WORD glyphs[4] = {}, clusters[2] = {};
            SCRIPT_VISATTR attributes[4] = {};
            int shaped = 0;
            SCRIPT_FONTPROPERTIES properties = {};
            properties.cBytes = sizeof properties;
            held = ScriptShape(dc, &cache, pair, 2, 4, &items[0].a, glyphs, clusters, attributes, &shaped) == S_OK &&
                   shaped > 0 && ScriptGetFontProperties(dc, &cache, &properties) == S_OK &&
                   glyphs[0] != properties.wgDefault;
        }
        ScriptFreeCache(&cache);
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    if (beyond_.size() < 512) beyond_.emplace_back(c, held);
    return held;
}

namespace {

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* faces = reinterpret_cast<std::vector<std::u16string>*>(param);
    const auto* face = reinterpret_cast<const char16_t*>(font->lfFaceName);
    if (face[0] != u'@') faces->emplace_back(face);  // vertical forms of a face are not another face
    return 1;
}

// Face names compare as the font mapper compares them: without case.
std::u16string Folded(std::u16string face) {
    if (!face.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&face[0]), DWORD(face.size()));
    return face;
}

}  // namespace

int32_t GdiFontSet::FontOf(const std::u16string& face, const LOGFONTW& band) {
    LOGFONTW lf = band;
    std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'\0');
    std::copy_n(face.begin(), std::min<size_t>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
    lf.lfCharSet = DEFAULT_CHARSET;  // the face's own characters, whatever the band's font asks for
    fonts_.push_back(std::make_shared<GdiFont>(lf, nullptr));
    return Count() - 1;
}

std::shared_ptr<const GdiFontSet> GdiFontSet::Make(const LOGFONTW& band) {
    HFONT handle = CreateFontIndirectW(&band);
    if (!handle) return nullptr;
    std::shared_ptr<GdiFontSet> set(new GdiFontSet);
    set->fonts_.push_back(std::make_shared<GdiFont>(band, handle));

    std::vector<std::u16string> families;
    wchar_t realised[LF_FACESIZE] = {};
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        LOGFONTW all = {};
        all.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &all, AddFamily, reinterpret_cast<LPARAM>(&families), 0);
        HGDIOBJ previous = SelectObject(dc, handle);
        GetTextFaceW(dc, LF_FACESIZE, realised);  // the face the system gave for the one asked
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    // Installed faces by their folded names, and the fonts made so far.
    std::map<std::u16string, std::u16string> installed;
    for (const std::u16string& face : families) installed.emplace(Folded(face), face);
    std::map<std::u16string, int32_t> made;
    const std::u16string bandFace = Folded(reinterpret_cast<const char16_t*>(band.lfFaceName));
    const std::u16string realisedFace = Folded(reinterpret_cast<const char16_t*>(realised));

    const int32_t groups = int32_t(ScriptGroup::Other) + 1;
    set->candidates_.resize(size_t(groups));
    for (int32_t g = 0; g < groups; ++g) {
        std::vector<int32_t>& list = set->candidates_[size_t(g)];
        const auto add = [&](const std::u16string& folded) {
            const auto face = installed.find(folded);
            if (face == installed.end() || folded == bandFace || folded == realisedFace) return;
            auto font = made.find(folded);
            if (font == made.end()) font = made.emplace(folded, set->FontOf(face->second, band)).first;
            if (std::find(list.begin(), list.end(), font->second) == list.end()) list.push_back(font->second);
        };
        for (const char16_t* const* f = FallbackFaces(ScriptGroup(g)); *f; ++f) add(Folded(*f));
        for (const char16_t* const* f = FallbackFaces(ScriptGroup::Other); *f; ++f) add(Folded(*f));
        for (const auto& face : installed) add(face.first);  // last: whatever else is installed
    }
    return set;
}
