// The engine's side of the link to an open settings dialog: whether one is
// open, and the posts that keep its controls in step. Read from any thread.
#pragma once
#include <atomic>

#include "plugin/ticker_control.h"

class DialogLink {
public:
    void Connect(UpdateSink* sink) { sink_.store(sink); }
    bool IsOpen() const { return sink_.load() != nullptr; }
    void Post(UpdatePart part) const {
        if (UpdateSink* sink = sink_.load()) sink->PostUpdate(part);
    }

private:
    std::atomic<UpdateSink*> sink_{nullptr};
};
