// The hooks' decisions: activity, modifiers and the hot key, where a click
// lands, single, double and triple clicks, and what may be opened.
#include <gtest/gtest.h>

#include "input/input_rules.h"

namespace {

constexpr uint32_t kUp = 0x80000000u, kExtended = 1u << 24;

TEST(InputRules, ActiveOnlyWithinHalfASecondOfAFrameAndWithoutTheDialog) {
    EXPECT_TRUE(InputActive(1000, 600, false));
    EXPECT_FALSE(InputActive(1100, 600, false));
    EXPECT_FALSE(InputActive(1000, 600, true));
    EXPECT_TRUE(InputActive(5, 0xFFFFFF00u, false)) << "across the tick count's wrap";
    EXPECT_FALSE(InputActive(0, 100, false)) << "a frame stamped after now is far away, not near";
}

TEST(HotKeys, ModifierSequencesAndExtendedKeys) {
    const uint32_t ctrlA = 0x0241, rightArrow = 0x0827;
    struct Stroke {
        uint32_t vk, flags;
        bool toggles;
    };
    auto run = [](uint32_t hotKey, std::initializer_list<Stroke> strokes) {
        HotKeyTracker t;
        int i = 0;
        for (const Stroke& s : strokes) EXPECT_EQ(t.OnKey(s.vk, s.flags, hotKey), s.toggles) << "stroke " << i++;
    };
    run(ctrlA, {{17, 0, false}, {'A', 0, true}, {'A', kUp, false}, {'A', 0, true}, {17, kUp, false}, {'A', 0, false}});
    run(ctrlA, {{'A', 0, false}});                                                  // A alone
    run(ctrlA, {{17, 0, false}, {16, 0, false}, {'A', 0, false}});                  // Ctrl+Shift+A
    run(ctrlA, {{17, 0, false}, {17, 0, false}, {16, 0, false}, {16, kUp, false}, {'A', 0, true}});  // repeats
    run(0x0211, {{17, 0, false}});  // a modifier alone never toggles, even when it is the key
    run(0, {{0, 0, false}});        // no hot key set
    run(rightArrow, {{0x27, kExtended, true}, {0x27, kExtended | kUp, false}, {0x27, kExtended, true}});
    run(rightArrow, {{0x27, 0, false}});                         // the keypad's arrow is not extended
    run(rightArrow, {{17, 0, false}, {0x27, kExtended, false}});  // Ctrl+Right is another combination
    // The extended flag stays until a non-modifier key goes up.
    HotKeyTracker t;
    t.OnKey(0x2E, kExtended, 0);  // Delete, extended
    EXPECT_EQ(t.Modifiers(), kExtendedFlag);
    t.OnKey(16, kUp, 0);
    EXPECT_EQ(t.Modifiers(), kExtendedFlag);
    t.OnKey(0x2E, kUp, 0);
    EXPECT_EQ(t.Modifiers(), 0);
}

TEST(BandHits, ScalingRoundsAndTheBandsEdgesAreHalfOpen) {
    int32_t x = -1, y = -1;
    EXPECT_FALSE(ToReference(10, 10, 0, 576, &x, &y)) << "a minimised window has no client area";
    EXPECT_FALSE(ToReference(10, 10, 720, 0, &x, &y));
    ASSERT_TRUE(ToReference(719, 575, 720, 576, &x, &y));
    EXPECT_EQ(x, 767);  // 768 * 719 / 720 = 766.93
    EXPECT_EQ(y, 575);
    ASSERT_TRUE(ToReference(1, 1, 3, 7, &x, &y));  // odd sizes: 256 and 82.3
    EXPECT_EQ(x, 256);
    EXPECT_EQ(y, 82);
    ASSERT_TRUE(ToReference(-5, 2000000000, 1920, 1080, &x, &y));  // no overflow with 64-bit products
    EXPECT_EQ(x, -2);
    EXPECT_EQ(y, 1066666667);

    TickerSettings s;
    s.LinePosX = 384, s.LinePosY = 557, s.LineSize = 768, s.BandHeight = 37;
    EXPECT_TRUE(InsideBand(s, 0, 557 - 18));
    EXPECT_FALSE(InsideBand(s, 0, 557 - 19));
    EXPECT_TRUE(InsideBand(s, 767, 557 + 18));
    EXPECT_FALSE(InsideBand(s, 768, 560));
    EXPECT_FALSE(InsideBand(s, 100, 557 + 19));
}

TEST(BandClicks, SingleDoubleAndTripleClicks) {
    BandClicks c;
    EXPECT_EQ(c.Press(false), BandClicks::PassOn);
    EXPECT_EQ(c.Release(100, 500), BandClicks::PassOn) << "a release without a consumed press";
    EXPECT_EQ(c.Press(true), BandClicks::Consume);
    EXPECT_EQ(c.Release(1000, 500), BandClicks::PassOn) << "a single click: its release reaches the host";
    EXPECT_EQ(c.Press(true), BandClicks::Consume);
    EXPECT_EQ(c.Release(1300, 500), BandClicks::Open);
    EXPECT_EQ(c.Press(true), BandClicks::Consume);
    EXPECT_EQ(c.Release(1450, 500), BandClicks::Open) << "a third click within the time of the first opens again";
    EXPECT_EQ(c.Press(true), BandClicks::Consume);
    EXPECT_EQ(c.Release(1600, 500), BandClicks::PassOn) << "600 ms after the first click: a new single click";
    EXPECT_EQ(c.Press(true), BandClicks::Consume);
    EXPECT_EQ(c.Release(2200, 500), BandClicks::PassOn);

    BandClicks fresh;  // the very first click after load is never a double click
    fresh.Press(true);
    EXPECT_EQ(fresh.Release(10, 500), BandClicks::PassOn);
}

}  // namespace
