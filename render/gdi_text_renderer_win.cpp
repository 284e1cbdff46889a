#include "render/gdi_text_renderer_win.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/ansi_codec.h"
#include "render/text_layout_win.h"

LOGFONTW LogFontOf(const FontSpec& f) {
    LOGFONTW lf = {};
    lf.lfHeight = f.height;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikeOut;
    lf.lfCharSet = f.charSet;
    lf.lfQuality = ANTIALIASED_QUALITY;  // always, whatever FontQuality holds
    const std::u16string face = SystemAnsiCodec().ToUtf16(f.faceName.substr(0, LF_FACESIZE - 1).c_str());
    std::copy_n(face.begin(), std::min(face.size(), size_t(LF_FACESIZE - 1)), lf.lfFaceName);  // the rest stays 0
    return lf;
}

bool GdiTextRenderer::CreateTickerFont(const FontSpec& font) {
    std::shared_ptr<const GdiFontSet> created = GdiFontSet::Make(LogFontOf(font));
    if (!created) return false;
    fonts_ = std::move(created);
    font_ = fonts_->Font(0)->Handle();
    return true;
}

namespace {
// A memory device context with the ticker font selected for one measurement.
class MeasureContext {
public:
    explicit MeasureContext(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
        if (dc_ && font) previous_ = SelectObject(dc_, font);
    }
    ~MeasureContext() {
        if (!dc_) return;
        if (previous_) SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};
}  // namespace

TextExtent GdiTextRenderer::MeasureAnsi(const char* text) {
    MeasureContext m(font_);
    SIZE size = {};
    if (m.dc()) GetTextExtentPoint32A(m.dc(), text, int(std::strlen(text)), &size);
    return TextExtent{size.cx, size.cy};
}

TextExtent GdiTextRenderer::MeasureWide(const WideString& wide) {
    const char16_t* text = wide.Raw();
    const int32_t length = wide.Length();
    MeasureContext m(font_);
    SIZE size = {};
    if (m.dc() && length > 0) GetTextExtentPointW(m.dc(), reinterpret_cast<const wchar_t*>(text), length, &size);
    return TextExtent{size.cx, size.cy};
}

std::shared_ptr<const TextLayout> GdiTextRenderer::LayOut(const WideString& text, BaseDirection direction) {
    if (!fonts_ || text.Length() > kMostLaidOut || !NeedsLayout(*fonts_, text.Str(), direction)) return nullptr;
    try {
        return BuildTextLayout(*fonts_, text.Str(), direction);
    } catch (const std::bad_alloc&) {
        return nullptr;  // a line too big to lay out goes the plain way
    }
}

void GdiTextRenderer::BeginDraw() {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return;
    previousFont_ = font_ ? SelectObject(dc_, font_) : nullptr;
    initialBitmap_ = GetCurrentObject(dc_, OBJ_BITMAP);
    SetBkMode(dc_, TRANSPARENT);
}

void GdiTextRenderer::SelectTarget(const SurfaceSlot& slot) {
    if (!dc_) return;
    targetWidth_ = slot.bitmap ? slot.allocWidth : 0;
    SelectObject(dc_, slot.bitmap ? static_cast<HGDIOBJ>(slot.bitmap) : initialBitmap_);
}

void GdiTextRenderer::FillRect(const Rect& r, uint32_t color) {
    if (!dc_ || targetWidth_ == 0) return;
    const RECT rect = {r.left, r.top, r.right, r.bottom};
    SetBkColor(dc_, color);
    ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void GdiTextRenderer::SetTextColor(uint32_t color) {
    if (dc_) ::SetTextColor(dc_, color);
}

const std::vector<int>* GdiTextRenderer::ExtentsOf(const char16_t* text, int32_t length) {
    for (const Extents& e : extents_)
        if (e.font == font_ && e.text.size() == size_t(length) &&
            std::memcmp(e.text.data(), text, size_t(length) * sizeof(char16_t)) == 0)
            return &e.ends;
    Extents& e = extents_[nextExtents_];
    nextExtents_ = (nextExtents_ + 1) % 4;
    e.font = font_;
    e.text.assign(text, size_t(length));
    e.ends.assign(size_t(length), 0);
    SIZE total = {};
    int fit = 0;
    if (!GetTextExtentExPointW(dc_, reinterpret_cast<const wchar_t*>(text), length, INT_MAX, &fit, e.ends.data(), &total)) {
        e.font = nullptr;
        e.text.clear();
        return nullptr;
    }
    return &e.ends;
}

void GdiTextRenderer::DrawRun(int32_t x, int32_t y, const WideString& wide) {
    const char16_t* text = wide.Raw();
    const int32_t length = wide.Length();
    if (!dc_ || targetWidth_ == 0 || length <= 0) return;
    const wchar_t* w = reinterpret_cast<const wchar_t*>(text);
    // Very long runs (a whole text file on one line) are cut to the characters
    // that can reach the bitmap, so that a frame never rasterises thousands of
    // glyphs nobody sees.
    if (length > 256) {
        if (const std::vector<int>* ends = ExtentsOf(text, length)) {
            const std::vector<int>& e = *ends;  // e[i]: the end of character i, growing
            // first: the first character that ends right of -256; last: one past the
            // last character that starts left of the bitmap's width + 256
            const int32_t first = int32_t(std::upper_bound(e.begin(), e.end(), int64_t(-256) - x) - e.begin());
            const int32_t last = std::min<int32_t>(
                length, int32_t(std::lower_bound(e.begin(), e.end(), int64_t(targetWidth_) + 256 - x) - e.begin()) + 1);
            const int32_t start = first > 0 ? x + e[size_t(first - 1)] : x;
            if (last > first) TextOutW(dc_, start, y, w + first, last - first);
            return;
        }
    }
    TextOutW(dc_, x, y, w, length);
}

void GdiTextRenderer::DrawLayout(int32_t x, int32_t y, const TextLayout& layout) {
    if (!dc_ || targetWidth_ == 0) return;
    HFONT selected = font_;
    ForVisibleRuns(layout, x, 0, targetWidth_, [&](const GlyphRun& run) {
        HFONT font = static_cast<const GdiFont&>(*layout.fonts[size_t(run.font)]).Handle();
        if (font != selected) SelectObject(dc_, selected = font);
        ExtTextOutW(dc_, x + run.x, y + run.y, ETO_GLYPH_INDEX, nullptr,
                    reinterpret_cast<const wchar_t*>(layout.glyphs.data() + run.first), UINT(run.count),
                    layout.advances.data() + run.first);
    });
    if (selected != font_) SelectObject(dc_, font_);
}

void GdiTextRenderer::EndDraw() {
    if (!dc_) return;
    SelectObject(dc_, initialBitmap_);
    if (previousFont_) SelectObject(dc_, previousFont_);
    DeleteDC(dc_);
    dc_ = nullptr;
    GdiFlush();  // the blender reads the pixels next
}

bool DibSectionAllocator::Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colour;
    } info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = 32;
    info.header.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    *pixels = static_cast<uint8_t*>(bits);
    *handle = bitmap;
    return true;
}

void DibSectionAllocator::Destroy(void* handle) { DeleteObject(static_cast<HBITMAP>(handle)); }
