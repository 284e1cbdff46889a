// The band's font and the installed fonts that stand in for it where it has
// no glyph: each made in the band font's height, weight and style, and
// realised (its metrics and the characters it holds read) only when a text
// first asks for it. A font set does not change once made and may be used
// from any thread; layouts keep the fonts they draw with alive.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/srw_lock_win.h"
#include "render/text_layout.h"
#include "text/scripts.h"

class GdiFont final : public LayoutFont {
public:
    // Takes `font` (may be null: made from `logFont` when first used).
    GdiFont(const LOGFONTW& logFont, HFONT font);
    ~GdiFont() override;
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;

    HFONT Handle() const { return Realised().handle; }
    int32_t Ascent() const { return Realised().ascent; }
    // Whether the font maps the character to a glyph: from its character
    // ranges in the BMP, by shaping it beyond (the answers kept).
    bool Holds(char32_t c) const;
    // False for a font whose characters cannot be read, and for a symbol
    // font, which GDI maps its own way: only GDI knows what it draws.
    bool Readable() const { return Realised().readable; }
    const wchar_t* Face() const { return logFont_.lfFaceName; }

private:
    struct Realisation {
        HFONT handle = nullptr;
        int32_t ascent = 0;
        bool readable = false;
        std::vector<std::pair<char16_t, char16_t>> ranges;  // held characters, first and last, ascending
    };
    const Realisation& Realised() const;
    bool Shapes(char32_t c) const;

    LOGFONTW logFont_;
    mutable SrwLock lock_;
    mutable std::atomic<bool> ready_{false};
    mutable Realisation realised_;
    mutable std::vector<std::pair<char32_t, bool>> beyond_;  // characters beyond the BMP asked so far
};

class GdiFontSet {
public:
    // Null when the band's font cannot be made.
    static std::shared_ptr<const GdiFontSet> Make(const LOGFONTW& band);

    // 0: the band's font; then every candidate.
    const std::shared_ptr<GdiFont>& Font(int32_t i) const { return fonts_[size_t(i)]; }
    int32_t Count() const { return int32_t(fonts_.size()); }
    // The fonts to try for a group's characters the band's font lacks.
    const std::vector<int32_t>& Candidates(ScriptGroup group) const { return candidates_[size_t(group)]; }

private:
    GdiFontSet() = default;
    int32_t FontOf(const std::u16string& face, const LOGFONTW& band);

    std::vector<std::shared_ptr<GdiFont>> fonts_;
    std::vector<std::vector<int32_t>> candidates_;
};
