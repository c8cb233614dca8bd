#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>

#include "core/IntegerText.h"
#include "core/Text.h"
#include "core/TextIndex.h"
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

struct IntegerCase {
    const char* text;
    std::optional<int> asInt;
    std::optional<std::int64_t> asInt64;
};

// A whole number is the whole text: an optional sign and digits, in the type's range.
TEST(Text, ParseIntegerTakesTheWholeTextOrNothing) {
    const IntegerCase cases[] = {
        {"12", 12, 12},
        {"-3", -3, -3},
        {"+7", 7, 7},
        {"007", 7, 7},
        {"2147483647", 2147483647, 2147483647},
        {"2147483648", std::nullopt, 2147483648},
        {"-2147483649", std::nullopt, -2147483649},
        {"99999999999999999999", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"+-1", std::nullopt, std::nullopt},
        {"--1", std::nullopt, std::nullopt},
        {" 12", std::nullopt, std::nullopt},
        {"12 ", std::nullopt, std::nullopt},
        {"5MB", std::nullopt, std::nullopt},
        {"0x10", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"\xd9\xa3", std::nullopt, std::nullopt},  // an Arabic-Indic digit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInteger<int>(c.text), c.asInt) << c.text;
        EXPECT_EQ(ParseInteger<std::int64_t>(c.text), c.asInt64) << c.text;
    }
    EXPECT_EQ(ParseInteger<std::size_t>("-1"), std::nullopt);
    EXPECT_EQ(NotIntegerMessage("x1"), "'x1' is not a valid integer value");
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

// Texts are hashed and compared eight bytes at a time: every length and every position of a
// letter within its word must fold alike, and a difference in the last partial word counts.
class FoldedTextLength : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FoldedTextLength, FindsEveryCaseAndNoNeighbour) {
    const std::size_t n = GetParam();
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += static_cast<char>((i % 2 ? 'a' : 'Q') + i % 7);
    FoldedTextList list;
    list.Add(text);
    std::string upper = text, lower = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(list.Contains(upper));
    EXPECT_TRUE(list.Contains(lower));
    for (std::size_t i = 0; i < n; ++i) {
        std::string other = text;
        other[i] = '{';  // 'z' + 1: not a letter, and '[' is not its other case
        EXPECT_FALSE(list.Contains(other)) << i;
    }
    EXPECT_FALSE(list.Contains(text + '\0'));
    if (n > 0) {
        EXPECT_FALSE(list.Contains(text.substr(0, n - 1)));
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FoldedTextLength,
                         ::testing::Values(0, 1, 7, 8, 9, 15, 16, 17, 40, 63));

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

TEST(TextIndex, NumbersTextsInOrderAndFindsEachThroughGrowth) {
    TextIndex index;
    EXPECT_EQ(index.Find(""), TextIndex::kAbsent) << "an empty index";
    // Texts that share prefixes, differ in case or by one byte, an empty one, one with a zero
    // byte, and enough of them to grow the table several times.
    std::vector<std::string> texts = {"", "a", "A", "ab", "ba", std::string("a\0b", 3),
                                      "/images/i000327.jpg", "/images/i000327.jpeg"};
    for (int i = 0; i < 5000; ++i) texts.push_back("p" + std::to_string(i) + ".html");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(index.Find(texts[i]), TextIndex::kAbsent) << texts[i];
        ASSERT_EQ(index.Add(texts[i]), i);
    }
    EXPECT_EQ(index.Count(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(index.Find(texts[i]), i) << texts[i];
    for (const std::string& absent : {std::string("a\0", 2), std::string("p5000.html"),
                                      std::string("P1.html"), std::string("/images/i000327.jp"),
                                      std::string("b")})
        EXPECT_EQ(index.Find(absent), TextIndex::kAbsent) << absent;
}
