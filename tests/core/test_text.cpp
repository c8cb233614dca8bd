#include <gtest/gtest.h>

#include "core/Text.h"
#include "core/TextList.h"

TEST(Text, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("abc-\xc3\xa9z"), "ABC-\xc3\xa9Z");
    EXPECT_TRUE(SameText("Index.HTML", "index.html"));
    EXPECT_FALSE(SameText("\xc3\xa9", "\xc3\x89"));
    EXPECT_TRUE(StartsWithText("HTTP://Host/a", "http://host/"));
}

TEST(Text, SlashConversions) {
    EXPECT_EQ(ToBackslashes("http://h/a/b"), "http:\\\\h\\a\\b");
    EXPECT_EQ(ToForwardSlashes("c:\\x\\y"), "c:/x/y");
    EXPECT_EQ(ReplaceChar("a.b.c", '.', '_'), "a_b_c");
}

TEST(FoldedTextList, KeepsOrderAndIgnoresCaseInContains) {
    FoldedTextList list;
    list.Add("/p/Main.html");
    list.Add("/p/b.gif");
    EXPECT_TRUE(list.Contains("/P/MAIN.HTML"));
    EXPECT_FALSE(list.Contains("/p/c.gif"));
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list[1], "/p/b.gif");
    list.Clear();
    EXPECT_FALSE(list.Contains("/p/b.gif"));
}
