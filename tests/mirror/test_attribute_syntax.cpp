#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "mirror/AttributeSyntax.h"

namespace {

struct SrcsetCase {
    std::string value;
    std::vector<std::string> addresses;
};

void PrintTo(const SrcsetCase& c, std::ostream* os) {
    *os << '"' << c.value << '"';
}

class Srcset : public ::testing::TestWithParam<SrcsetCase> {};

TEST_P(Srcset, FindsTheAddressOfEachValidCandidate) {
    std::vector<std::string> found;
    for (const auto& range : mirror::SrcsetAddresses(GetParam().value))
        found.push_back(GetParam().value.substr(range.begin, range.end - range.begin));
    EXPECT_EQ(found, GetParam().addresses);
}

const SrcsetCase kSrcsetCases[] = {
    {"a.png", {"a.png"}},
    {"a.png 1x, b.png 2x", {"a.png", "b.png"}},
    {"  a.png  100w ,\n b.png 200w  ", {"a.png", "b.png"}},
    {" , ,a.png", {"a.png"}},
    {"a.png, b.png", {"a.png", "b.png"}},
    // Without white space the comma belongs to the address.
    {"a.png,b.png", {"a.png,b.png"}},
    {"a.png,, b.png", {"a.png", "b.png"}},
    {"a.png 1x,, b.png", {"a.png", "b.png"}},
    {"data:image/png;base64,iVBOR 1x, b.png 2x", {"data:image/png;base64,iVBOR", "b.png"}},
    {"a.png 1.5x, b.png .5x, c.png 1e1x", {"a.png", "b.png", "c.png"}},
    {"a.png 100w 50h", {"a.png"}},
    // Candidates with invalid descriptors are dropped, the others kept.
    {"a.png 1x 2x, b.png", {"b.png"}},
    {"a.png 100w 1x, b.png", {"b.png"}},
    {"a.png 0w, b.png 10w", {"b.png"}},
    {"a.png 50h, b.png", {"b.png"}},
    {"a.png -1x, b.png", {"b.png"}},
    {"a.png x, b.png", {"b.png"}},
    {"a.png 1x (foo, bar), b.png", {"b.png"}},
    {"a.png 1q", {}},
    {"", {}},
    {" , ", {}},
};

INSTANTIATE_TEST_SUITE_P(Candidates, Srcset, ::testing::ValuesIn(kSrcsetCases));

struct RefreshCase {
    std::string content;
    std::optional<std::string> address;
};

void PrintTo(const RefreshCase& c, std::ostream* os) {
    *os << '"' << c.content << '"';
}

class Refresh : public ::testing::TestWithParam<RefreshCase> {};

TEST_P(Refresh, FindsTheAddress) {
    mirror::ValueRange range;
    const bool found = mirror::RefreshAddress(GetParam().content, range);
    ASSERT_EQ(found, GetParam().address.has_value());
    if (found) {
        EXPECT_EQ(GetParam().content.substr(range.begin, range.end - range.begin),
                  *GetParam().address);
    }
}

const RefreshCase kRefreshCases[] = {
    {"5; url=next.html", "next.html"},
    {"0;URL='q.html'", "q.html"},
    {"0; URL=\"q.html\" trailing", "q.html"},
    {"  2.5 ; url = a.html ", "a.html"},
    {".5;url=a.html", "a.html"},
    {"3,http://x.test/", "http://x.test/"},
    {"5 next.html", "next.html"},
    {"5; 'q.html'", "q.html"},
    // "url" without "=" is part of the address.
    {"5; urlx.html", "urlx.html"},
    {"5; url", "url"},
    {"5", std::nullopt},
    {"5;", std::nullopt},
    {"5; ", std::nullopt},
    {"x; url=a.html", std::nullopt},
    {"5x; url=a.html", std::nullopt},
    {"", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Contents, Refresh, ::testing::ValuesIn(kRefreshCases));

}  // namespace
