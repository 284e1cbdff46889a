// What the band needs from a text renderer: one font, measuring, and
// drawing into the band's surface slots. GDI in the DLL; a block renderer
// in native builds.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "render/dib_surface.h"
#include "render/text_layout.h"
#include "text/scripts.h"
#include "text/wide_string.h"

struct FontSpec {
    std::string faceName;  // at most 31 characters
    int32_t height = 0;
    int32_t weight = 0;
    uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0;
};

struct TextExtent {
    int32_t cx = 0, cy = 0;
};

class TextRenderer {
public:
    virtual ~TextRenderer() = default;
    // Replaces the font; on failure the previous one stays in use.
    virtual bool CreateTickerFont(const FontSpec& font) = 0;
    virtual TextExtent MeasureAnsi(const char* text) = 0;
    virtual TextExtent MeasureWide(const WideString& text) = 0;
    // The layout of a text the plain path (MeasureWide, DrawRun) cannot
    // draw: a script that needs shaping, a right-to-left line, characters
    // the font lacks. Null for the rest, and when laying out fails. Reads
    // nothing but the current font.
    virtual std::shared_ptr<const TextLayout> LayOut(const WideString& text, BaseDirection direction) = 0;

    // One drawing session per composed band.
    virtual void BeginDraw() = 0;
    virtual void SelectTarget(const SurfaceSlot& slot) = 0;
    virtual void FillRect(const Rect& rect, uint32_t color) = 0;
    virtual void SetTextColor(uint32_t color) = 0;
    virtual void DrawRun(int32_t x, int32_t y, const WideString& text) = 0;
    virtual void DrawLayout(int32_t x, int32_t y, const TextLayout& layout) = 0;
    virtual void EndDraw() = 0;
};

// Draws every character as a filled cell 0.6 em wide, with the same
// coverage for the same call; for builds and tests without a platform font.
// Text that is not plain is laid out a cell per character, right to left
// when the line is, its invisible characters taking no room.
class BlockTextRenderer : public TextRenderer {
public:
    bool CreateTickerFont(const FontSpec& font) override;
    TextExtent MeasureAnsi(const char* text) override;
    TextExtent MeasureWide(const WideString& text) override;
    std::shared_ptr<const TextLayout> LayOut(const WideString& text, BaseDirection direction) override;
    void BeginDraw() override {}
    void SelectTarget(const SurfaceSlot& slot) override { target_ = slot; }
    void FillRect(const Rect& rect, uint32_t color) override;
    void SetTextColor(uint32_t color) override { color_ = color; }
    void DrawRun(int32_t x, int32_t y, const WideString& text) override;
    void DrawLayout(int32_t x, int32_t y, const TextLayout& layout) override;
    void EndDraw() override {}

private:
    void Paint(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t color);
    int32_t CellWidth() const { return cellHeight_ * 3 / 5; }
    int32_t cellHeight_ = 16;
    SurfaceSlot target_;
    uint32_t color_ = 0;
};
