#include "plugin/band_state.h"

#include "base/mul_div.h"
#include "render/band_composer.h"

namespace {

// The segments' runs as the composer reads them. A message's text is the
// same for the whole revision: its key tells the strip cache so.
class SegmentRuns final : public BandRuns {
public:
    SegmentRuns(const SegmentList& segments, const MessageList& messages, uint64_t revision)
        : segments_(segments), messages_(messages), revision_(revision) {}
    int32_t Count() const override { return int32_t(segments_.size()); }
    bool Run(int32_t i, BandRun* run) const override {
        const TickerSegment& seg = segments_[i];
        if (seg.messageIndex < 0 || seg.messageIndex >= messages_.Count()) return false;
        run->x = seg.x;
        run->text = &messages_[seg.messageIndex].displayText;
        run->width = seg.width;
        run->textKey = (revision_ << 32) | uint64_t(uint32_t(seg.messageIndex));
        return true;
    }

private:
    const SegmentList& segments_;
    const MessageList& messages_;
    uint64_t revision_;
};

}  // namespace

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

void BandState::ComposeLocked(const TickerSettings& s, const SegmentList& segments, const MessageList& messages,
                              uint64_t messagesRevision, bool contentReady, bool forBlend) {
    const BandStyle style{s.LineSize,    s.BandHeight,  s.BackColor,           s.TextColor,
                          s.BackOpacity, s.TextOpacity, metrics_.shadowOffset};
    const SegmentRuns runs(segments, messages, messagesRevision);
    const BandRuns* drawn = contentReady ? &runs : nullptr;
    fromStrips_ = useStrips_ && strips_.Compose(surface_, style, drawn, forBlend);
    if (!fromStrips_) ComposeBand(renderer_, surface_, style, drawn);
}
