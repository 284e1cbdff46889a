// The wide string of the text model: its storage and its markup stripping.
#include <gtest/gtest.h>

#include "text/wide_string.h"

namespace {

TEST(WideString, AssignmentReplacesTheTextAndClearEmptiesIt) {
    WideString s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Raw()[0], u'\0');
    s = u"0123456789";
    s = u"abcdefgh";
    s = u"abc";
    EXPECT_EQ(s.ToU16(), u"abc");
    EXPECT_EQ(s.Length(), 3);
    s.Clear();
    EXPECT_EQ(s.Length(), 0);
    // Text ends at a NUL, as the renderer reads it.
    s = std::u16string(u"ab\0cd", 5);
    EXPECT_EQ(s.Length(), 2);
    s.Append(std::u16string(u"x\0y", 3));
    EXPECT_EQ(s.ToU16(), u"abx");
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
    const struct {
        const char16_t* text;
        const char16_t* stripped;
    } cases[] = {
        {u"a<b>c<d", u"ac<d"},  // an open tag without its end stays
        {u"<p>x</p>", u"x"},
        {u"<p>Hello <b>world</b></p>", u"Hello world"},
        {u"1 > 0 <", u"1 > 0 <"},
    };
    for (const auto& c : cases) {
        WideString s(c.text);
        s.StripTags(u'<', u'>');
        EXPECT_EQ(s.ToU16(), c.stripped);
    }
}

}  // namespace
