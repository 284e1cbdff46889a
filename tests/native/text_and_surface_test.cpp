// Capacities of the text model, ANSI conversion, and the surface hysteresis.
#include <gtest/gtest.h>

#include "render/dib_surface.h"
#include "base/ansi_codec.h"
#include "sources/message_list.h"
#include "sources/wide_string.h"

namespace {

TEST(WideString, CapacityKeepsHeadroomAndShrinksBelowSixtyPercent) {
    WideString s;
    EXPECT_EQ(s.Capacity(), 1);
    EXPECT_TRUE(s.IsEmpty());
    s = u"0123456789";
    EXPECT_EQ(s.Capacity(), 14);
    s = u"abcdefgh";  // needed 9 >= MulDiv(14, 75, 125) = 8: kept
    EXPECT_EQ(s.Capacity(), 14);
    s = u"abc";  // needed 4 < 8: shrunk
    EXPECT_EQ(s.Capacity(), 5);
    EXPECT_EQ(s.ToU16(), u"abc");
    s.Clear();
    EXPECT_EQ(s.Capacity(), 5);
    EXPECT_EQ(s.Length(), 0);
}

TEST(WideString, AppendAndAssignFromItsOwnBufferAreSafe) {
    WideString s(u"abcdefghijklmnopqrstuvwxyz");
    s.Append(s.Raw());  // the block grows and moves while the source is read
    EXPECT_EQ(s.ToU16(), u"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
    s = s.Raw() + 50;  // shrinking assignment from its own tail
    EXPECT_EQ(s.ToU16(), u"yz");
    s.Append(s);
    EXPECT_EQ(s.ToU16(), u"yzyz");
    s = s;
    EXPECT_EQ(s.ToU16(), u"yzyz");
}

TEST(WideString, StripTagsRemovesMarkupOnly) {
    WideString a(u"a<b>c<d");
    a.StripTags(u'<', u'>');
    EXPECT_EQ(a.ToU16(), u"ac<d");
    WideString b(u"<p>x</p>");
    b.StripTags(u'<', u'>');
    EXPECT_EQ(b.ToU16(), u"x");
    WideString c(u"<p>Hello <b>world</b></p>");
    c.StripTags(u'<', u'>');
    EXPECT_EQ(c.ToU16(), u"Hello world");
    WideString d(u"1 > 0 <");
    d.StripTags(u'<', u'>');
    EXPECT_EQ(d.ToU16(), u"1 > 0 <");
}

TEST(AnsiCodec, Windows1251Cyrillic) {
    WideString s;
    s.AssignAnsi("\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0 \xA8\xB8 \xB9");
    EXPECT_EQ(s.ToU16(), u"Бегущая строка Ёё №");
    EXPECT_EQ(Cp1251Codec().FromUtf16(u"Файл не найден"), "\xD4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED");
}

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

struct CountingAllocator : HeapSurfaceAllocator {
    int live = 0;
    bool Create(int32_t w, int32_t h, uint8_t** p, void** handle) override {
        const bool ok = HeapSurfaceAllocator::Create(w, h, p, handle);
        live += ok;
        return ok;
    }
    void Destroy(void* handle) override {
        --live;
        HeapSurfaceAllocator::Destroy(handle);
    }
};

TEST(DibSurface, HysteresisNumbers) {
    CountingAllocator alloc;
    {
        DibSurface s(alloc);
        s.EnsureSize(100, 40, 25, 25);  // no slot yet: one is added
        EXPECT_EQ(s.SlotCount(), 1);
        EXPECT_EQ(s.Current().allocWidth, 125);
        EXPECT_EQ(s.Current().allocHeight, 50);
        s.EnsureSize(124, 50, 25, 25);
        EXPECT_EQ(s.Allocations(), 1);
        EXPECT_EQ(s.Current().used.right, 124);
        s.EnsureSize(75, 40, 25, 25);
        EXPECT_EQ(s.Allocations(), 1);
        s.EnsureSize(74, 40, 25, 25);  // below MulDiv(125, 75, 125) = 75
        EXPECT_EQ(s.Allocations(), 2);
        s.EnsureSize(100, 40, 25, 25);
        s.EnsureSize(126, 40, 25, 25);
        EXPECT_EQ(s.Current().allocWidth, 158);
        EXPECT_EQ(s.Current().allocHeight, 50);
        s.EnsureSize(100, 0, 25, 25);  // rounds to no rows: no bitmap
        EXPECT_EQ(s.Current().pixels, nullptr);
        EXPECT_EQ(alloc.live, 0);
        s.EnsureSize(10, 10, 25, 25);
        s.AddSlot();
        s.EnsureSize(10, 10, 25, 25);
        EXPECT_EQ(alloc.live, 2);
    }
    EXPECT_EQ(alloc.live, 0);  // the destructor releases every slot
}

TEST(DibSurface, CopyAlphaFromBlueOnlyForMatchingLayers) {
    HeapSurfaceAllocator alloc;
    DibSurface s(alloc);
    s.AddSlot();
    s.AddSlot();
    for (int i = 0; i < 2; ++i) {
        s.SelectSlot(i);
        s.EnsureSize(8, 4, 25, 25);
        const SurfaceSlot& slot = s.Current();
        for (int32_t y = 0; y < slot.allocHeight; ++y)
            for (int32_t x = 0; x < slot.allocWidth; ++x) {
                uint8_t* p = slot.At(x, y);
                p[0] = uint8_t(i == 1 ? x * 10 + y : 1), p[1] = p[2] = 2, p[3] = 9;
            }
    }
    s.SelectSlot(1);
    s.EnsureSize(7, 4, 25, 25);  // used rectangles differ: nothing happens
    s.CopyAlphaFromBlue(0, 1);
    EXPECT_EQ(s.Slot(0).At(0, 0)[3], 9);
    s.EnsureSize(8, 4, 25, 25);
    s.CopyAlphaFromBlue(0, 1);
    EXPECT_EQ(s.Slot(0).At(3, 2)[3], 32);
    EXPECT_EQ(s.Slot(0).At(7, 3)[3], 73);
    EXPECT_EQ(s.Slot(0).At(8, 3)[3], 9);  // outside the used rectangle
    EXPECT_EQ(s.Slot(0).At(3, 2)[0], 1);
    s.SelectSlot(7);
    EXPECT_EQ(s.CurrentIndex(), 1);
}

}  // namespace
