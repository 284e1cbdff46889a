// The ticker font, text measuring and band drawing through GDI, and the
// band's bitmaps as 32-bit DIB sections.
#pragma once
#include <windows.h>

#include "render/dib_surface.h"
#include "render/text_renderer.h"

class GdiTextRenderer final : public TextRenderer {
public:
    GdiTextRenderer() = default;
    ~GdiTextRenderer() override;
    GdiTextRenderer(const GdiTextRenderer&) = delete;
    GdiTextRenderer& operator=(const GdiTextRenderer&) = delete;

    bool CreateTickerFont(const FontSpec& font) override;
    TextExtent MeasureAnsi(const char* text) override;
    TextExtent MeasureWide(const char16_t* text, int32_t length) override;
    void BeginDraw() override;
    void SelectTarget(const SurfaceSlot& slot) override;
    void FillRect(const SurfaceRect& rect, uint32_t color) override;
    void SetTextColor(uint32_t color) override;
    void DrawRun(int32_t x, int32_t y, const char16_t* text, int32_t length) override;
    void EndDraw() override;

    HFONT Font() const { return font_; }

private:
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
    HGDIOBJ initialBitmap_ = nullptr;
    int32_t targetWidth_ = 0;
};

class DibSectionAllocator final : public SurfaceAllocator {
public:
    bool Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) override;
    void Destroy(void* handle) override;
};
