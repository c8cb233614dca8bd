#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "mirror/AddressResolver.h"

namespace {

using mirror::AddressResolver;

struct ResolveCase {
    std::string reference;
    std::optional<std::string> expected;
};

// A page with a query, a host in mixed case and its default port written out.
const char kBase[] = "http://Site.Test:80/a/b/c.html?q=1#top";

class Resolution : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(Resolution, ResolvesAsABrowser) {
    const AddressResolver resolver(kBase);
    ASSERT_TRUE(resolver.Valid());
    EXPECT_EQ(resolver.Resolve(GetParam().reference), GetParam().expected) << GetParam().reference;
}

// The shortcut for plain references must give what libcurl gives.
TEST_P(Resolution, ShortcutAgreesWithTheLibrary) {
    const AddressResolver resolver(kBase);
    EXPECT_EQ(resolver.Resolve(GetParam().reference),
              resolver.ResolveWithLibrary(GetParam().reference))
        << GetParam().reference;
}

const ResolveCase kResolveCases[] = {
    {"d.html", "http://site.test/a/b/d.html"},
    {"../x/y.png", "http://site.test/a/x/y.png"},
    {"../../../../z", "http://site.test/z"},
    {"a/./b/../c", "http://site.test/a/b/a/c"},
    {"./", "http://site.test/a/b/"},
    {"./?x", "http://site.test/a/b/?x"},
    {"..//x", "http://site.test/a//x"},
    {"..", "http://site.test/a/"},
    {"/abs/p.html", "http://site.test/abs/p.html"},
    {"//cdn.test/s.js", "http://cdn.test/s.js"},
    {"?p=2", "http://site.test/a/b/c.html?p=2"},
    {"", "http://site.test/a/b/c.html?q=1"},
    {"#frag", "http://site.test/a/b/c.html?q=1"},
    {"d.html#x", "http://site.test/a/b/d.html"},
    {"x.php?a=1&b=2/3:4", "http://site.test/a/b/x.php?a=1&b=2/3:4"},
    {"a(1).png", "http://site.test/a/b/a(1).png"},
    {"~u/x", "http://site.test/a/b/~u/x"},
    {"HTTPS://OTHER.test:443/Q", "https://other.test/Q"},
    {"http://h.test:8080", "http://h.test:8080/"},
    {"http://user:pw@h.test/p", "http://h.test/p"},
    {"http://[::1]:8080/x", "http://[::1]:8080/x"},
    {"http://[fe80::1%25eth0]/x", "http://[fe80::1%25eth0]/x"},
    {"http://[fe80::1%eth0]/x", "http://[fe80::1%25eth0]/x"},
    {"http://u:p@[::<A H:pw@[::1]:8080/a", std::nullopt},
    {"http://[::1%25a%20b]/", std::nullopt},
    {"http://u:p@7%31/a", "http://0.0.0.71/a"},  // as "http://71/a" comes out
    {"http://%41.test/a", "http://a.test/a"},
    {"http:///u:p@7%31/a", "http://0.0.0.71/a"},
    {"http:d.html", "http://site.test/a/b/d.html"},
    {"  spaced.html \n", "http://site.test/a/b/spaced.html"},
    {"sp\tli\nt.html", "http://site.test/a/b/split.html"},
    {"/abs/p a.html", "http://site.test/abs/p%20a.html"},
    {"caf\xC3\xA9.html", "http://site.test/a/b/caf%C3%A9.html"},
    {"a\\b\\c.png", "http://site.test/a/b/a/b/c.png"},
    {"q\"<x>.html", "http://site.test/a/b/q%22%3Cx%3E.html"},
    {"a%2Fb/%zz", "http://site.test/a/b/a%2Fb/%zz"},
    {"mailto:a@b.test", std::nullopt},
    {"javascript:void(0)", std::nullopt},
    {"data:image/png;base64,AAAA", std::nullopt},
    {"ftp://f.test/x", std::nullopt},
    {"tel:123", std::nullopt},
    {"http://", std::nullopt},
    {"//%7Fh.test/x", std::nullopt},
    {"http://a%20b.test/", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(References, Resolution, ::testing::ValuesIn(kResolveCases));

TEST(AddressResolver, HttpsPagesResolveProtocolRelativeToHttps) {
    const AddressResolver resolver("https://site.test/");
    EXPECT_EQ(resolver.Resolve("//cdn.test/x.js"), "https://cdn.test/x.js");
    EXPECT_EQ(resolver.Resolve("http:x.html"), std::nullopt);
}

TEST(AddressResolver, RejectsBasesThatAreNotWebAddresses) {
    for (const char* base : {"", "relative/page.html", "mailto:x@y.test", "file:///tmp/x.html"}) {
        const AddressResolver resolver(base);
        EXPECT_FALSE(resolver.Valid()) << base;
        EXPECT_EQ(resolver.Resolve("x.html"), std::nullopt) << base;
    }
}

TEST(AddressResolver, NormalizesAnAddress) {
    EXPECT_EQ(mirror::NormalizeAddress("HTTP://Example.TEST:80/A/./b/../C?x#f"),
              "http://example.test/A/C?x");
    EXPECT_EQ(mirror::NormalizeAddress("example.test/x"), std::nullopt);
}

TEST(AddressResolver, ReferenceFragmentsAndSameDocumentReferences) {
    EXPECT_EQ(mirror::ReferenceFragment("a.html#sec 2 "), "#sec 2");
    EXPECT_EQ(mirror::ReferenceFragment("a.html"), "");
    EXPECT_TRUE(mirror::IsSameDocumentReference(""));
    EXPECT_TRUE(mirror::IsSameDocumentReference("  #top"));
    EXPECT_FALSE(mirror::IsSameDocumentReference("a.html#top"));
}

}  // namespace
