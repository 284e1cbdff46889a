#include "plugin/band_state.h"

#include "base/mul_div.h"
#include "render/band_composer.h"

void BandState::RebuildFontLocked(TickerSettings& s) {
    renderer_.CreateTickerFont(FontSpecFrom(s));
    strips_.Invalidate();
    MeasureBandLocked(s);
}

void BandState::MeasureBandLocked(TickerSettings& s) {
    const TextExtent blanks = renderer_.MeasureAnsi("        ");
    metrics_.shadowOffset = MulDiv(blanks.cy, s.ShadowOffset, 100);
    s.BandHeight = blanks.cy + metrics_.shadowOffset;
    metrics_.gapWidth = blanks.cx;
    metrics_.textHeight = blanks.cy;
}

int32_t BandState::MeasureTextLocked(const WideString& text) { return renderer_.MeasureWide(text).cx; }

void BandState::AddSlotsLocked() {
    while (surface_.SlotCount() < 2) surface_.AddSlot();
}

void BandState::ComposeLocked(const TickerSettings& s, const BandRuns* runs, bool forBlend) {
    const BandStyle style{s.LineSize,    s.BandHeight,  s.BackColor,           s.TextColor,
                          s.BackOpacity, s.TextOpacity, metrics_.shadowOffset};
    fromStrips_ = useStrips_ && strips_.Compose(surface_, style, runs, forBlend);
    if (!fromStrips_) ComposeBand(renderer_, surface_, style, runs);
}
