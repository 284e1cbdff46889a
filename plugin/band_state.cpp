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
        run->textKey = MessageKey(revision_, seg.messageIndex);
        run->layout = seg.layout.get();
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
    // Another list on air: its messages are laid out anew.
    if (key >> 32 != layoutsRevision_) {
        layouts_.Clear();
        layoutsRevision_ = key >> 32;
    }
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

void BandState::ComposeLocked(const TickerSettings& s, const SegmentList& segments, const MessageList& messages,
                              uint64_t messagesRevision, bool contentReady, bool forBlend) {
    const BandStyle style{s.LineSize,    s.BandHeight,  s.BackColor,           s.TextColor,
                          s.BackOpacity, s.TextOpacity, metrics_.shadowOffset};
    const SegmentRuns runs(segments, messages, messagesRevision);
    const BandRuns* drawn = contentReady ? &runs : nullptr;
    fromStrips_ = useStrips_ && strips_.Compose(surface_, style, drawn, forBlend);
    if (!fromStrips_) ComposeBand(renderer_, surface_, style, drawn);
}
