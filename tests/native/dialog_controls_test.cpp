// The repeat buttons' timing on a simulated clock, and what the numeric
// edits accept.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "dialog/numeric_value.h"
#include "dialog/repeat_timing.h"

namespace {

// Holds a button for `holdMs` on a clock that fires the 50 ms tick and the
// one-shot step timers as the system does (one-shots first at equal times);
// returns the steps sent, in order.
std::vector<int32_t> Hold(uint32_t holdMs) {
    RepeatTiming t;
    t.SetTable(kDialogRepeatTable, 6);
    std::vector<RepeatTiming::OneShot> oneShots;
    std::vector<int32_t> sent{t.Press(&oneShots)};
    std::multimap<uint32_t, uintptr_t> events;  // time -> timer id
    for (const auto& o : oneShots) events.emplace(o.delayMs, o.id);
    for (uint32_t at = kRepeatTickMs; at <= holdMs; at += kRepeatTickMs) events.emplace(at, kRepeatTickTimer);
    // multimap keeps insertion order for equal keys: one-shots were inserted first
    for (const auto& [at, id] : events) {
        if (at > holdMs) break;
        if (id == kRepeatTickTimer) sent.push_back(t.Current());
        else EXPECT_TRUE(t.StepTimer(id));
    }
    EXPECT_TRUE(t.Release());
    return sent;
}

TEST(RepeatTiming, AClickSendsOneStepAndHoldingAccelerates) {
    EXPECT_EQ(Hold(30), std::vector<int32_t>{1});  // shorter than a tick: only the press

    const std::vector<int32_t> second = Hold(1000);
    ASSERT_EQ(second.size(), 21u);  // the press and 20 ticks
    EXPECT_EQ(second[0], 1);
    EXPECT_EQ(std::count(second.begin() + 1, second.end(), 0), 13);  // until 700 ms
    EXPECT_EQ(std::count(second.begin() + 14, second.end(), 2), 7);  // both 700 ms entries fired, the second last

    const std::vector<int32_t> three = Hold(3000);
    const auto first32 = std::find(three.begin(), three.end(), 32);
    EXPECT_EQ(three.end() - first32, 15);  // 2300 ms to 3000 ms
    EXPECT_TRUE(std::is_sorted(three.begin() + 1, three.end())) << "the step only grows while held";
    for (int32_t step : {4, 8, 16}) EXPECT_EQ(std::count(three.begin(), three.end(), step), 8) << step;
}

TEST(RepeatTiming, EntriesWithoutDelayHoldFromThePressAndOtherTimersAreNotSteps) {
    const RepeatStep table[] = {{0, 5}, {100, 9}};
    RepeatTiming t;
    t.SetTable(table, 2);
    std::vector<RepeatTiming::OneShot> oneShots;
    EXPECT_EQ(t.Press(&oneShots), 1);
    EXPECT_EQ(t.Current(), 5);
    ASSERT_EQ(oneShots.size(), 1u);
    EXPECT_EQ(oneShots[0].id, kFirstStepTimer + 1);
    EXPECT_FALSE(t.StepTimer(kRepeatTickTimer));
    EXPECT_FALSE(t.StepTimer(kFirstStepTimer + 2));
    EXPECT_TRUE(t.StepTimer(kFirstStepTimer + 1));
    EXPECT_EQ(t.Current(), 9);
    EXPECT_TRUE(t.Release());
    EXPECT_FALSE(t.Release()) << "a second release ends nothing";
}

TEST(NumericValue, TheDialogManagersIntegerRules) {
    struct Case {
        const char16_t* text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {u"75", true, 75},   {u"007", true, 7},     {u"  -7", true, -7},   {u"0", true, 0},
        {u"", false, 0},     {u"   ", false, 0},    {u"-", false, 0},      {u"12x", false, 0},
        {u"1 2", false, 0},  {u"7 ", false, 0},     {u"+5", false, 0},     {u"--1", false, 0},
        {u"2147483647", true, INT32_MAX}, {u"-2147483648", true, INT32_MIN},
        {u"2147483648", false, 0}, {u"99999999999999999999", false, 0}, {u"\t5", false, 0},
    };
    for (const Case& c : cases) {
        int32_t v = -12345;
        EXPECT_EQ(ParseDialogInt(c.text, &v), c.ok) << "case " << (&c - cases);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
    EXPECT_EQ(RangeMessage(0, 100), u"Значение должно быть числом от 0 до 100");
    EXPECT_EQ(RangeMessage(-5, 999), u"Значение должно быть числом от -5 до 999");
    EXPECT_EQ(RangeMessage(1024, 65535, true), u"Значение должно быть числом от 1024 до 65535 или 0");
}

}  // namespace
