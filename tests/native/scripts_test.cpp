// The text model's knowledge of scripts: a line's direction from its first
// strong character, what the plain path may draw, and a feed item whose news
// reads right to left with its date and time before it.
#include <gtest/gtest.h>

#include "feed_fixtures.h"
#include "feed/feed_items.h"
#include "text/scripts.h"

namespace {

TEST(Scripts, ALineTakesTheDirectionOfItsFirstStrongCharacter) {
    const BaseDirection ltr = BaseDirection::LeftToRight, rtl = BaseDirection::RightToLeft;
    EXPECT_EQ(FirstStrongDirection(u"Привет שלום"), ltr);
    EXPECT_EQ(FirstStrongDirection(u"12:30 «שלום» world"), rtl);  // digits and punctuation are weak
    EXPECT_EQ(FirstStrongDirection(u"\u0661\u0662 \u064e\u0645\u062d\u0645\u062f"), rtl);  // Arabic digits, a mark, letters
    EXPECT_EQ(FirstStrongDirection(u"\u0301\u05d0"), rtl);  // a leading mark is no letter
    EXPECT_EQ(FirstStrongDirection(u"\u2067\u05e9\u05dc\u05d5\u05dd\u2069 news"), ltr);  // isolated runs do not count
    EXPECT_EQ(FirstStrongDirection(u"\U0001E900 Adlam"), rtl);  // beyond the BMP
    EXPECT_EQ(FirstStrongDirection(u"\u0e01\u0e02"), ltr);
    EXPECT_EQ(FirstStrongDirection(u"12:30 — 😀"), BaseDirection::FromText);
    EXPECT_TRUE(IsRightToLeft(BaseDirection::FromText, u"\u05e9\u05dc\u05d5\u05dd"));
    EXPECT_FALSE(IsRightToLeft(BaseDirection::LeftToRight, u"\u05e9\u05dc\u05d5\u05dd"));
    EXPECT_TRUE(IsRightToLeft(BaseDirection::RightToLeft, u"abc"));
}

TEST(Scripts, OnlyTextDrawnCharacterByCharacterIsPlain) {
    for (const char16_t* plain : {u"Бегущая строка: новости, +3°, «кавычки» — €", u"Ελλάδα ǅ ﬁ", u"東京 서울 ｶﾀｶﾅ", u"\t→★"})
        EXPECT_TRUE(IsPlainText(plain)) << std::u16string(plain).size();
    for (const char16_t* shaped : {u"\u0645\u062d\u0645\u062f", u"\u05e9\u05dc\u05d5\u05dd", u"\u0e01\u0e02", u"e\u0301",
                                   u"\u0928\u092e", u"😀", u"a\u200db", u"\u2764\ufe0f", u"\u1100\u1161"})
        EXPECT_FALSE(IsPlainText(shaped)) << std::u16string(shaped).size();
    // clusters: marks stay with their base, invisible controls show nothing
    EXPECT_EQ(ClassOf(0x0E34).kind, CharClass::Mark);  // a Thai vowel above
    EXPECT_EQ(ClassOf(0x093F).kind, CharClass::Mark);  // a Devanagari vowel sign
    EXPECT_EQ(ClassOf(0x0928).kind, CharClass::Base);
    EXPECT_EQ(ClassOf(0xFE0F).kind, CharClass::Invisible);
    EXPECT_EQ(ClassOf(0x1F3FD).kind, CharClass::Invisible);  // a skin tone
    EXPECT_EQ(ClassOf(0x1F525).group, ScriptGroup::Symbol);
    EXPECT_EQ(ClassOf(0xFEFC).group, ScriptGroup::Arabic);
}

TEST(Scripts, RightToLeftNewsKeepsItsDateAndTimeBeforeIt) {
    Zone z("UTC");
    const FeedItemTexts item{u"Mon, 07 Nov 2011 10:30:00 GMT", u"\u05d7\u05d3\u05e9\u05d5\u05ea 24", u""};
    DisplayOptions o;
    TickerMessage m;
    const auto build = [&](const FeedItemTexts& it, const std::u16string* label = nullptr) {
        ArticleOfItem(it, RuntimeTimeZone(), PlainFormatter(), m);
        return ComposeArticle(o, label, m);
    };
    ASSERT_TRUE(build(item));
    EXPECT_EQ(m.direction, BaseDirection::RightToLeft);
    // The label reads left to right as one piece, first in the line's order.
    EXPECT_EQ(m.displayText.ToU16(), u"\u200e07 11 2011 г.  10:30  \u05d7\u05d3\u05e9\u05d5\u05ea 24  ");
    o.date = false;  // a time alone has no letters: nothing to hold together
    ASSERT_TRUE(build(item));
    EXPECT_EQ(m.displayText.ToU16(), u"10:30  \u05d7\u05d3\u05e9\u05d5\u05ea 24  ");
    // A source's label is part of what stays before the news.
    const std::u16string label = u"Ньюс";
    ASSERT_TRUE(build(item, &label));
    EXPECT_EQ(m.displayText.ToU16(), u"\u200eНьюс  10:30  \u05d7\u05d3\u05e9\u05d5\u05ea 24  ");
    // News that reads left to right is built as it always was.
    o.date = true;
    const FeedItemTexts latin{item.pubDate, u"News 24", u""};
    ASSERT_TRUE(build(latin));
    EXPECT_EQ(m.direction, BaseDirection::LeftToRight);
    EXPECT_EQ(m.displayText.ToU16(), u"07 11 2011 г.  10:30  News 24  ");
}

}  // namespace
