#include "render/text_layout.h"

#include <algorithm>
#include <atomic>
#include <utility>

uint64_t NewLayoutId() {
    static std::atomic<uint64_t> next{0};
    return ++next;
}

LayoutWriter::LayoutWriter(TextLayout& out, bool rightToLeft) : out_(out) {
    out_ = TextLayout();
    out_.rightToLeft = rightToLeft;
    out_.id = NewLayoutId();
}

int32_t LayoutWriter::AddFont(std::shared_ptr<const LayoutFont> font) {
    for (size_t i = 0; i < out_.fonts.size(); ++i)
        if (out_.fonts[i] == font) return int32_t(i);
    out_.fonts.push_back(std::move(font));
    return int32_t(out_.fonts.size() - 1);
}

void LayoutWriter::Close() {
    if (!open_) return;
    GlyphRun& run = out_.runs.back();
    // The last glyph's advance reaches the pen, wherever its offset put it.
    out_.advances.back() = pen_ - lastOrigin_;
    run.right = std::max(pen_, lastOrigin_);
    open_ = false;
}

void LayoutWriter::Add(int32_t font, int32_t top, const uint16_t* glyphs, const int32_t* advances, const int32_t* du,
                       const int32_t* dv, const uint8_t* hidden, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (hidden && hidden[i]) {
            Close();
            pen_ += advances[i];
            continue;
        }
        const int32_t origin = pen_ + (du ? du[i] : 0);
        const int32_t y = top - (dv ? dv[i] : 0);
        GlyphRun* run = open_ ? &out_.runs.back() : nullptr;
        if (!run || run->font != font || run->y != y || run->count >= kMaxRunGlyphs) {
            Close();
            GlyphRun fresh;
            fresh.font = font, fresh.x = origin, fresh.y = y;
            fresh.first = int32_t(out_.glyphs.size());
            out_.runs.push_back(fresh);
            run = &out_.runs.back();
            open_ = true;
        } else {
            out_.advances.back() = origin - lastOrigin_;
        }
        out_.glyphs.push_back(glyphs[i]);
        out_.advances.push_back(0);
        ++run->count;
        lastOrigin_ = origin;
        pen_ += advances[i];
    }
    Close();
    out_.width = pen_;
}

std::shared_ptr<const TextLayout> LayoutCache::Find(uint64_t key) {
    for (Entry& e : entries_)
        if (e.key == key) {
            e.lastUse = ++clock_;
            return e.layout;
        }
    return nullptr;
}

void LayoutCache::Put(uint64_t key, std::shared_ptr<const TextLayout> layout) {
    if (!layout) return;
    const size_t glyphs = layout->glyphs.size();
    if (glyphs > kMaxGlyphs) return;  // drawn from the runs that hold it
    while (!entries_.empty() && (entries_.size() >= kMaxEntries || glyphs_ + glyphs > kMaxGlyphs)) {
        auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                       [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        glyphs_ -= oldest->layout->glyphs.size();
        *oldest = std::move(entries_.back());
        entries_.pop_back();
    }
    glyphs_ += glyphs;
    entries_.push_back(Entry{key, std::move(layout), ++clock_});
}

void LayoutCache::Clear() {
    entries_.clear();
    glyphs_ = 0;
}
