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

TEST(FoldedTextList, FoldsOnlyAsciiLetters) {
    FoldedTextList list;
    for (const char* text : {"/p/Page.HTML", "/p/caf\xc3\xa9.html", "", "/p/a_b.gif", "/p/x@y.gif"})
        list.Add(text);
    const struct {
        const char* asked;
        bool found;
    } cases[] = {
        {"/p/page.html", true},
        {"/P/PAGE.html", true},
        {"/p/page.htm", false},  // a prefix is another text
        {"/p/page.html ", false},
        {"/p/CAF\xc3\xa9.HTML", true},
        {"/p/caf\xc3\x89.html", false},  // other bytes are not folded
        {"", true},
        {"/p/A_B.GIF", true},
        {"/p/a\x7f"
         "b.gif",
         false},                // '_' and DEL are not letters of another case
        {"/p/x`y.gif", false},  // '@' + 32 is '`': only letters fold
    };
    for (const auto& c : cases) EXPECT_EQ(list.Contains(c.asked), c.found) << c.asked;
    EXPECT_EQ(list.Count(), 5u);
}
