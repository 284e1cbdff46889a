#include "plugin/band_state.h"

#include "base/mul_div.h"
#include "render/band_composer.h"

void BandState::RebuildFontLocked(TickerSettings& s) {
    renderer_.CreateTickerFont(FontSpecFrom(s));
    strips_.Invalidate();
    layouts_.Clear();
    MeasureBandLocked(s);
}

void BandState::MeasureBandLocked(TickerSettings& s) {
    const TextExtent blanks = renderer_.MeasureAnsi("        ");
    metrics_.shadowOffset = MulDiv(blanks.cy, s.ShadowOffset, 100);
    s.BandHeight = blanks.cy + metrics_.shadowOffset;
    metrics_.gapWidth = blanks.cx;
    metrics_.textHeight = blanks.cy;
}

MeasuredText BandState::MeasureMessageLocked(const TickerMessage& message, uint64_t key) {
    // Keys of lists gone from the air are never asked for again: the cache
    // lets the least recently used go.
    MeasuredText m;
    m.layout = layouts_.Find(key);
    if (!m.layout) {
        m.layout = renderer_.LayOut(message.displayText, message.direction);
        layouts_.Put(key, m.layout);
    }
    m.width = m.layout ? m.layout->width : renderer_.MeasureWide(message.displayText).cx;
    return m;
}

void BandState::AddSlotsLocked() {
    while (surface_.SlotCount() < 2) surface_.AddSlot();
}

void BandState::ComposeLocked(const TickerSettings& s, const BandRuns* runs, bool forBlend) {
    const BandStyle style{s.LineSize,    s.BandHeight,  s.BackColor,           s.TextColor,
                          s.BackOpacity, s.TextOpacity, metrics_.shadowOffset};
    fromStrips_ = useStrips_ && strips_.Compose(surface_, style, runs, forBlend);
    if (!fromStrips_) ComposeBand(renderer_, surface_, style, runs);
}
