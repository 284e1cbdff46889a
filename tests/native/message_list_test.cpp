// The list of messages on air: its growth and inserts that keep every message's text.
#include <gtest/gtest.h>

#include "text/message_list.h"

namespace {

TickerMessage Msg(const char16_t* text, uint64_t stamp = 0) {
    TickerMessage m;
    m.displayText = text;
    m.stamp = stamp;
    return m;
}

TEST(MessageList, GrowthSteps) {
    MessageList l;
    l.SetSize(1);
    l.SetSize(2);
    EXPECT_EQ(l.Capacity(), 5);
    l.SetSize(0);
    l.SetSize(100);
    l.SetSize(101);
    EXPECT_EQ(l.Capacity(), 112);
    l.SetSize(0);
    l.SetSize(10000);
    l.SetSize(10001);
    EXPECT_EQ(l.Capacity(), 11024);
    l.SetSize(0);
    l.SetSize(0);
    EXPECT_EQ(l.Count(), 0);
}

TEST(MessageList, InsertKeepsItemsAndTheirStrings) {
    MessageList l;
    for (const char16_t* t : {u"one", u"two", u"three"}) l.Add(Msg(t));
    l.InsertAt(0, Msg(u"zero", 5));
    l.InsertAt(l.Count(), Msg(u"four"));
    l.InsertAt(7, Msg(u"seven"));  // beyond the end: the gap is filled with empty items
    ASSERT_EQ(l.Count(), 8);
    EXPECT_EQ(l[0].displayText.ToU16(), u"zero");
    EXPECT_EQ(l[0].stamp, 5u);
    EXPECT_EQ(l[3].displayText.ToU16(), u"three");
    EXPECT_EQ(l[4].displayText.ToU16(), u"four");
    EXPECT_TRUE(l[5].displayText.IsEmpty());
    EXPECT_EQ(l[7].displayText.ToU16(), u"seven");
    for (int i = 0; i < 50; ++i) l.InsertAt(1, l[0]);  // from its own storage while it grows
    EXPECT_EQ(l[50].displayText.ToU16(), u"zero");
    EXPECT_EQ(l[51].displayText.ToU16(), u"one");
}

}  // namespace
