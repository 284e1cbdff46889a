// A message laid out once, as a whole: its glyphs, from one font or several,
// in the order they stand on the line and each in its place. Measuring and
// drawing read the same layout, so a run is exactly as wide as it is drawn
// and the gap after it stays the gap. A layout is made without shared state
// (the renderer's LayOut needs only its font) and only read afterwards: it
// may be made on one thread and drawn on another.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A platform font a layout's glyphs come from; the layouts that use it keep
// it alive.
class LayoutFont {
public:
    virtual ~LayoutFont() = default;
};

// Glyphs of one font drawn by one call.
struct GlyphRun {
    int32_t font = 0;             // in TextLayout::fonts
    int32_t x = 0, y = 0;         // the first glyph's cell, from the layout's top left
    int32_t first = 0, count = 0;  // its glyphs in TextLayout::glyphs and ::advances
    int32_t right = 0;            // where the run's advances end
};

struct TextLayout {
    int32_t width = 0;  // the sum of every advance: what the line moves on by
    int32_t overhang = 0;  // how far a glyph's ink may reach beyond its advances
    bool rightToLeft = false;
    uint64_t id = 0;  // new for every layout made
    std::vector<std::shared_ptr<const LayoutFont>> fonts;
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;  // from a glyph's origin to the next one's in its run
    std::vector<GlyphRun> runs;     // left to right
};

// Longer lines are not laid out (a text file of one line in megabytes):
// shaping them would hold the band up for seconds, and GDI draws them as it
// draws plain text.
constexpr int32_t kMostLaidOut = 1 << 18;

// Writes a layout from shaped runs given left to right.
class LayoutWriter {
public:
    static constexpr int32_t kMaxRunGlyphs = 64;  // a long line is drawn only where it shows

    LayoutWriter(TextLayout& out, bool rightToLeft);
    int32_t AddFont(std::shared_ptr<const LayoutFont> font);
    // Glyphs in visual order with their advances and their offsets from the
    // pen (du to the right, dv up; none: zero); hidden glyphs only advance.
    // `top` places the font's cell on the line: a fallback font stands on the
    // band font's baseline.
    void Add(int32_t font, int32_t top, const uint16_t* glyphs, const int32_t* advances, const int32_t* du,
             const int32_t* dv, const uint8_t* hidden, int32_t count);
    int32_t Pen() const { return pen_; }

private:
    void Close();

    TextLayout& out_;
    int32_t pen_ = 0;
    bool open_ = false;  // the last run takes more glyphs
    int32_t lastOrigin_ = 0;
};

// The runs of a layout drawn at x whose ink may reach [left, right).
template <class Draw>
void ForVisibleRuns(const TextLayout& layout, int32_t x, int32_t left, int32_t right, Draw draw) {
    const int64_t overhang = layout.overhang;
    for (const GlyphRun& run : layout.runs) {
        const int64_t from = int64_t(x) + run.x - overhang, to = int64_t(x) + run.right + overhang;
        if (from - overhang >= right) break;  // marks may stand a little left of their run's start
        if (to <= left || from >= right || run.count == 0) continue;
        draw(run);
    }
}

// The layouts of the messages on air, by a key that names a message of one
// list, so that a message is shaped once however often it comes on air. The
// least recently used go when the cache holds too many glyphs.
class LayoutCache {
public:
    static constexpr size_t kMaxEntries = 512;
    static constexpr size_t kMaxGlyphs = size_t(1) << 20;

    std::shared_ptr<const TextLayout> Find(uint64_t key);
    void Put(uint64_t key, std::shared_ptr<const TextLayout> layout);
    void Clear();
    size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        uint64_t key = 0;
        std::shared_ptr<const TextLayout> layout;
        uint64_t lastUse = 0;
    };
    std::vector<Entry> entries_;
    size_t glyphs_ = 0;
    uint64_t clock_ = 0;
};

uint64_t NewLayoutId();
