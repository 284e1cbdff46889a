// The ticker font, text measuring and band drawing through GDI, and the
// band's bitmaps as 32-bit DIB sections.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "render/dib_surface.h"
#include "render/font_set_win.h"
#include "render/text_renderer.h"

class GdiTextRenderer final : public TextRenderer {
public:
    GdiTextRenderer() = default;
    GdiTextRenderer(const GdiTextRenderer&) = delete;
    GdiTextRenderer& operator=(const GdiTextRenderer&) = delete;

    bool CreateTickerFont(const FontSpec& font) override;
    TextExtent MeasureAnsi(const char* text) override;
    TextExtent MeasureWide(const WideString& text) override;
    std::shared_ptr<const TextLayout> LayOut(const WideString& text, BaseDirection direction) override;
    void BeginDraw() override;
    void SelectTarget(const SurfaceSlot& slot) override;
    void FillRect(const Rect& rect, uint32_t color) override;
    void SetTextColor(uint32_t color) override;
    void DrawRun(int32_t x, int32_t y, const WideString& text) override;
    void DrawLayout(int32_t x, int32_t y, const TextLayout& layout) override;
    void EndDraw() override;

    HFONT Font() const { return font_; }

private:
    // Character end positions of long runs, so that each frame draws only the
    // characters that reach the bitmap without measuring the whole run again.
    struct Extents {
        HFONT font = nullptr;
        std::u16string text;
        std::vector<int> ends;
    };
    const std::vector<int>* ExtentsOf(const char16_t* text, int32_t length);

    Extents extents_[4];
    int nextExtents_ = 0;
    std::shared_ptr<const GdiFontSet> fonts_;
    HFONT font_ = nullptr;  // the band's, held by fonts_
    HDC dc_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
    HGDIOBJ initialBitmap_ = nullptr;
    int32_t targetWidth_ = 0;
};

// The logical font of a ticker font: anti-aliased whatever else is asked.
LOGFONTW LogFontOf(const FontSpec& font);

class DibSectionAllocator final : public SurfaceAllocator {
public:
    bool Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) override;
    void Destroy(void* handle) override;
};
