// Where the settings dialog opens and how typed combo text enters a list.
#include <gtest/gtest.h>

#include "dialog/dialog_rules.h"

namespace {

struct Placed {
    int32_t x, y;
    bool operator==(const Placed& o) const { return x == o.x && y == o.y; }
};
Placed Place(int32_t storedX, int32_t storedY, Rect host) {
    Placed p{};
    PlaceDialog(storedX, storedY, 1280, 1024, Rect{10, 20, 10 + 375, 20 + 420}, host, &p.x, &p.y);
    return p;
}

TEST(DialogPlacement, StoredPositionsAreKeptUnlessNeverPlacedOrOffTheScreen) {
    const Rect host{100, 50, 900, 650};
    EXPECT_EQ(Place(-100, -100, host), (Placed{500 - 187, 350 - 210}));  // centred on the host
    EXPECT_EQ(Place(-100, 40, host), (Placed{-100, 40}));  // only the pair means never placed
    EXPECT_EQ(Place(-5, -7, host), (Placed{-5, -7}));
    EXPECT_EQ(Place(1279, 1023, host), (Placed{1279, 1023}));
    EXPECT_EQ(Place(1280, 10, host), (Placed{313, 140}));  // beyond the right edge
    EXPECT_EQ(Place(10, 1024, host), (Placed{313, 140}));  // beyond the bottom edge
    // A host near the top-left corner would put the dialog above or left of the screen.
    EXPECT_EQ(Place(-100, -100, Rect{-50, 0, 150, 100}), (Placed{0, 0}));
    EXPECT_EQ(Place(-100, -100, Rect{0, -3000, 2000, -2000}), (Placed{813, 0}));
    // Coordinates at their limits neither overflow nor wrap.
    EXPECT_EQ(Place(-100, -100, Rect{INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX}).x, INT32_MAX - 192);
}

void ExpectOneTrailingEmpty(const StringList& list) {
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(list.back().empty());
    for (size_t i = 0; i + 1 < list.size(); ++i) EXPECT_FALSE(list[i].empty()) << "entry " << i;
}

TEST(ComboCommit, AddReplaceDeleteAndAnIndexOffTheList) {
    struct Case {
        StringList list;
        int32_t index;
        std::string text;
        StringList after;
        int32_t newIndex;
    };
    const Case cases[] = {
        {{""}, 0, "first", {"first", ""}, 0},                          // typed on the empty last line: added
        {{"a", "b", ""}, 2, "c", {"a", "b", "c", ""}, 2},
        {{"a", "b", ""}, 1, "B", {"a", "B", ""}, 1},                   // typed over an entry: replaced
        {{"a", "b", ""}, 0, "", {"b", ""}, 1},                         // cleared: deleted, the empty entry selected
        {{"a", "b", ""}, 2, "", {"a", "b", ""}, 2},                    // nothing typed on the last line
        {{"a", ""}, 7, "typed", {"a", "typed", ""}, 1},                // off the list: the typed text is kept
        {{"a", ""}, -2, "", {"a", ""}, 1},
        {{}, 0, "x", {"x", ""}, 0},                                     // a list without its empty entry gets one
    };
    for (const Case& c : cases) {
        StringList list = c.list;
        const int32_t index = CommitComboEdit(list, c.index, c.text);
        EXPECT_EQ(list, c.after) << c.text << " at " << c.index;
        EXPECT_EQ(index, c.newIndex) << c.text << " at " << c.index;
        ExpectOneTrailingEmpty(list);
    }
}

TEST(ComboCommit, AddedFilesGoBeforeTheEmptyEntryAndAreSelected) {
    StringList files{""};
    EXPECT_EQ(AddFileToList(files, "C:\\news.txt"), 0);
    EXPECT_EQ(files, (StringList{"C:\\news.txt", ""}));
    EXPECT_EQ(AddFileToList(files, "C:\\news.txt"), 1);  // duplicates are not looked for
    EXPECT_EQ(files, (StringList{"C:\\news.txt", "C:\\news.txt", ""}));
    ExpectOneTrailingEmpty(files);
}

// A request presents its key in a header or a form: what neither carries
// plainly (blanks, controls, anything beyond ASCII) cannot be part of it.
TEST(ControlKey, OnlyPrintableAsciiWithoutBlanksIsKept) {
    EXPECT_EQ(KeyCharacters(u"ключ-Key 1\t2\u007F3~!\u00A0z"), u"-Key123~!z");
    EXPECT_EQ(KeyCharacters(u"a-long-enough-key"), u"a-long-enough-key");
}

}  // namespace
