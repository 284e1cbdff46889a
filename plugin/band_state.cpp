#include "plugin/band_state.h"

#include "base/mul_div.h"
#include "render/band_composer.h"

namespace {

// The segments' runs as the composer reads them.
class SegmentRuns final : public BandRuns {
public:
    SegmentRuns(const SegmentList& segments, const MessageList& messages) : segments_(segments), messages_(messages) {}
    int32_t Count() const override { return segments_.Count(); }
    bool Run(int32_t i, BandRun* run) const override {
        const TickerSegment& seg = segments_[i];
        if (seg.messageIndex < 0 || seg.messageIndex >= messages_.Count()) return false;
        const WideString& t = messages_[seg.messageIndex].displayText;
        run->x = seg.x;
        run->text = t.Raw();
        run->length = t.Length();
        run->width = seg.width;
        return true;
    }

private:
    const SegmentList& segments_;
    const MessageList& messages_;
};

}  // namespace

FontSpec FontSpecFrom(const TickerSettings& s) {
    return FontSpec{s.FontName.substr(0, 31), s.FontSize,      s.FontWeight,  s.FontItalic,
                    s.FontUnderline,          s.FontStrikeOut, s.FontCharSet};
}

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

int32_t BandState::MeasureTextLocked(const WideString& text) { return renderer_.MeasureWide(text.Raw(), text.Length()).cx; }

void BandState::AddSlotsLocked() {
    while (surface_.SlotCount() < 2) surface_.AddSlot();
}

void BandState::ComposeLocked(const TickerSettings& s, const SegmentList& segments, const MessageList& messages,
                              bool contentReady, bool forBlend) {
    const BandStyle style{s.LineSize,    s.BandHeight,  s.BackColor,           s.TextColor,
                          s.BackOpacity, s.TextOpacity, metrics_.shadowOffset};
    const SegmentRuns runs(segments, messages);
    const BandRuns* drawn = contentReady ? &runs : nullptr;
    fromStrips_ = useStrips_ && strips_.Compose(surface_, style, drawn, forBlend);
    if (!fromStrips_) ComposeBand(renderer_, surface_, style, drawn);
}
