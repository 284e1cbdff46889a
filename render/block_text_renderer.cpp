#include "render/text_renderer.h"

#include <algorithm>
#include <cstring>
#include <vector>

bool BlockTextRenderer::CreateTickerFont(const FontSpec& font) {
    const int32_t h = font.height < 0 ? -font.height : font.height;
    if (h == 0 || h > 2000) return false;
    cellHeight_ = h + h / 8;  // cell height: character height plus a little leading
    return true;
}

TextExtent BlockTextRenderer::MeasureAnsi(const char* text) {
    return TextExtent{int32_t(std::strlen(text)) * CellWidth(), cellHeight_};
}

TextExtent BlockTextRenderer::MeasureWide(const WideString& text) {
    return TextExtent{text.Length() * CellWidth(), cellHeight_};
}

// Like GDI: colour into blue, green and red, alpha of touched pixels set to 0.
void BlockTextRenderer::Paint(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t color) {
    if (!target_.pixels) return;
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, target_.allocWidth), bottom = std::min(bottom, target_.allocHeight);
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) {
            uint8_t* p = target_.At(x, y);
            p[0] = uint8_t(color >> 16), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color), p[3] = 0;
        }
}

void BlockTextRenderer::FillRect(const Rect& r, uint32_t color) { Paint(r.left, r.top, r.right, r.bottom, color); }

void BlockTextRenderer::DrawRun(int32_t x, int32_t y, const WideString& text) {
    const int32_t w = CellWidth();
    for (int32_t i = 0; i < text.Length(); ++i) {
        if (text.Str()[size_t(i)] == u' ') continue;
        const int32_t left = x + i * w + w / 6;
        Paint(left, y + cellHeight_ / 6, left + w * 2 / 3, y + cellHeight_ - cellHeight_ / 6, color_);
    }
}

std::shared_ptr<const TextLayout> BlockTextRenderer::LayOut(const WideString& text, BaseDirection direction) {
    const bool rightToLeft = IsRightToLeft(direction, text.Str());
    if (!rightToLeft && IsPlainText(text.Str())) return nullptr;
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    std::vector<uint8_t> hidden;
    size_t units = 1;
    for (size_t i = 0; i < size_t(text.Length()); i += units) {
        const char32_t c = CodePointAt(text.Raw(), size_t(text.Length()), i, &units);
        const bool invisible = ClassOf(c).kind == CharClass::Invisible;
        glyphs.push_back(uint16_t(c));
        advances.push_back(invisible ? 0 : CellWidth());
        hidden.push_back(invisible);
    }
    if (rightToLeft) {
        std::reverse(glyphs.begin(), glyphs.end());
        std::reverse(advances.begin(), advances.end());
        std::reverse(hidden.begin(), hidden.end());
    }
    auto layout = std::make_shared<TextLayout>();
    LayoutWriter writer(*layout, rightToLeft);
    writer.Add(writer.AddFont(nullptr), 0, glyphs.data(), advances.data(), nullptr, nullptr, hidden.data(),
               int32_t(glyphs.size()));
    layout->overhang = cellHeight_;
    return layout;
}

void BlockTextRenderer::DrawLayout(int32_t x, int32_t y, const TextLayout& layout) {
    const int32_t w = CellWidth();
    ForVisibleRuns(layout, x, 0, target_.allocWidth, [&](const GlyphRun& run) {
        int32_t left = x + run.x;
        for (int32_t g = run.first; g < run.first + run.count; ++g) {
            if (layout.glyphs[size_t(g)] != u' ')
                Paint(left + w / 6, y + run.y + cellHeight_ / 6, left + w * 2 / 3 + w / 6,
                      y + run.y + cellHeight_ - cellHeight_ / 6, color_);
            left += layout.advances[size_t(g)];
        }
    });
}
