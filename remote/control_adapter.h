// The endpoint's engine over the control seam: each request does what the
// settings dialog or the hot key would do, through the same calls.
#pragma once
#include "remote/remote_engine.h"

class ControlAdapter final : public RemoteEngine {
public:
    explicit ControlAdapter(TickerControl& control) : control_(control) {}

    LineStatus State() override { return control_.Status(); }
    uint32_t QueueUrgent(const std::u16string& text, int32_t repeat) override {
        return control_.OfferUrgent(text, repeat);
    }
    void Start() override { control_.StartLine(); }
    void Stop() override { control_.StopLine(); }
    ChangeOutcome ChangeSource(SourceKind kind, std::optional<int32_t> index) override;
    ChangeOutcome PutText(const std::u16string& text) override;

private:
    TickerControl& control_;
};

