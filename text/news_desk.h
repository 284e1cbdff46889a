// The one way every producer puts what it has before the air: each feed of
// the list, the watched text file, the strings, the operator's urgent line.
// A producer builds its bulletin on its own thread, without any lock; the
// desk takes it under the ticker lock. A list goes on air at once when
// nothing is on air, else where the pass on the band ends; an urgent line
// at the next gap between two runs.
#pragma once
#include <cstdint>
#include <string>

#include "base/stop_signal.h"
#include "text/message_list.h"

struct Bulletin {
    enum class From : int32_t { Strings, TextFile, Feed, Operator };
    // News: a list. Unchanged: the producer has nothing new (a 304).
    // Failed: what the band would show in its place (`text`). Urgent: `text`.
    enum class Kind : int32_t { News, Unchanged, Failed, Urgent };

    From from = From::Feed;
    Kind kind = Kind::News;
    int32_t feed = -1;  // From::Feed: the feed's index in the feed list
    // The run (or refresh) the producer was asked for: a bulletin of an
    // earlier one is not taken.
    uint32_t run = 0;
    // News: a feed's articles in document order (dated, cleaned, with their
    // links; their display text is made on the desk), or a file's or the
    // strings' messages as they go on air.
    MessageList messages;
    std::u16string text;   // Failed: the notice; Urgent: the line
    std::u16string label;  // News from a feed: its channel's title, else its site's host name
    int32_t repeat = 0;    // Urgent: how many showings; 0 takes the setting
    uint32_t id = 0;       // Urgent: given by the desk when it takes the line
};

class NewsDesk {
public:
    // On the producer's thread. Takes the bulletin (its messages leave it)
    // when it is still wanted (not for a run that has ended), waiting for the
    // ticker lock only while `stop` is not raised; false only when it gave
    // up because `stop` was raised.
    virtual bool Offer(Bulletin& bulletin, const StopSignal& stop) = 0;

protected:
    ~NewsDesk() = default;
};
