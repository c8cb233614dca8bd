#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mirror/PageReferences.h"

// The conversion of a retrieved page or style sheet of a complete copy for offline browsing.
// Every reference is rewritten: to the relative path of the local file when that file was
// retrieved (its #fragment kept), otherwise to its absolute address online. srcset lists and
// url() are rewritten item by item. The href of <base> is taken out of play (renamed
// data-href), so that it no longer sends the copy's links online, and so are integrity and
// crossorigin on tags whose reference now points to a local file (the rewritten file would fail
// the check, and a page opened from disk has no origin to share). Every other byte stays as it
// was.
//
// The conversion is a pure function of the bytes, the page's address and local path and the
// lookup, cheap enough to run on each page as it lands.

namespace mirror {

// The local path (relative to the project folder, as MirrorLayout gives it) of the file
// retrieved from an absolute address (without fragment), or nullopt when it was not retrieved.
using LocalPathLookup = std::function<std::optional<std::string>(std::string_view address)>;

struct TextEdit {
    std::size_t begin = 0;  // the bytes replaced (none, for an insertion)
    std::size_t end = 0;
    std::string replacement;
};

// What the conversion needs of a page's references, without the rest of them: kept from the scan
// of a page as it lands, so that converting it later needs no second scan. Its addresses and
// fragments are kept apart, by number, so that a site's many references to one address share
// one copy of it.
inline constexpr std::uint32_t kNoText = ~std::uint32_t{0};

struct PlannedReference {
    std::uint32_t address = 0;         // the number of Reference::address
    std::uint32_t fragment = kNoText;  // the number of its "#..." as written, if it has one
    std::uint32_t begin = 0;           // the raw bytes of the reference in the page
    std::uint32_t end = 0;
    std::uint32_t tagBegin = 0;
    ReferenceSyntax syntax = ReferenceSyntax::Attribute;
    char cssQuote = 0;
    bool inAttribute = true;
};

struct ConversionPlan {
    std::vector<PlannedReference> references;
    std::vector<DisabledAttribute> baseHrefs;
    std::vector<DisabledAttribute> integrityAttributes;
};

// Keeps a text and tells its number (a text kept before keeps its number); and the text kept
// under a number.
using KeepText = std::function<std::uint32_t(std::string_view text)>;
using KeptText = std::function<std::string_view(std::uint32_t number)>;

// The plan of the references; nothing for a page too large for the plan's offsets.
std::optional<ConversionPlan> PlanConversion(const PageReferences& references,
                                             const KeepText& keep);

// The edits that convert a page, from the references extracted from the same bytes (or their
// plan); sorted by position and not overlapping.
std::vector<TextEdit> ConversionEdits(std::string_view text, const PageReferences& references,
                                      std::string_view localPath, const LocalPathLookup& lookup);
std::vector<TextEdit> ConversionEdits(std::string_view text, const ConversionPlan& plan,
                                      const KeptText& texts, std::string_view localPath,
                                      const LocalPathLookup& lookup);

std::string ApplyEdits(std::string_view text, const std::vector<TextEdit>& edits);

// The converted bytes of an HTML page retrieved from pageAddress into pageLocalPath.
std::string ConvertPage(std::string_view page, std::string_view pageAddress,
                        std::string_view pageLocalPath, const LocalPathLookup& lookup);

// The same, from the references extracted before (ExtractPageReferences of the same bytes),
// so that a page is scanned once for both.
std::string ConvertPage(std::string_view page, const PageReferences& references,
                        std::string_view pageLocalPath, const LocalPathLookup& lookup);

// The converted bytes of a style sheet retrieved from sheetAddress into sheetLocalPath.
std::string ConvertStyleSheet(std::string_view css, std::string_view sheetAddress,
                              std::string_view sheetLocalPath, const LocalPathLookup& lookup);

// The text of an address as it may stand in a page: bytes that would end or break an
// attribute value or url() (white space, quotes, < > ` \ and controls) percent-encoded.
std::string SafeAddressText(std::string_view address);

}  // namespace mirror
