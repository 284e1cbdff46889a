// What the endpoint's routes ask of the engine, in their own terms (UTF-16
// texts, checked parameters); the adapter binds it to the control seam and
// the unit tests to a fake.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "plugin/ticker_control.h"

enum class SourceKind : int32_t { String, File, Feed, AllFeeds };

// Whether a change was made, and if not, why not: `status` is the answer
// (400 for a parameter the engine cannot take, 503 for the engine's own
// refusal), `reason` the words for it.
struct ChangeOutcome {
    int status = 200;
    std::string reason;
    int32_t index = -1;  // the list entry the change concerns, when it concerns one
    static ChangeOutcome Refused(int status, std::string reason) {
        ChangeOutcome o;
        o.status = status;
        o.reason = std::move(reason);
        return o;
    }
};

class RemoteEngine {
public:
    virtual ~RemoteEngine() = default;
    virtual LineStatus State() = 0;
    // Its id, or 0 when it was not taken.
    virtual uint32_t QueueUrgent(const std::u16string& text, int32_t repeat) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    // The source on air and its entry, as the dialog sets them (saved with
    // the settings); no `index` keeps the entry selected for that kind.
    virtual ChangeOutcome ChangeSource(SourceKind kind, std::optional<int32_t> index) = 0;
    // Into the string list's current entry (or a new one), then on air at the pass end.
    virtual ChangeOutcome PutText(const std::u16string& text) = 0;
};
