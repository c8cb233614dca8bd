// The complete copy's page scanning and conversion on arbitrary pages. The tokenizer's tokens
// follow each other without overlap inside the page and every attribute value decodes from its
// raw bytes; every reference lies inside the page and has an http or https address. The
// conversion changes nothing outside the references it rewrites and the names of the
// attributes it takes out of play (a <base href>, integrity and crossorigin get "data-"): its
// edits are sorted, disjoint and each one is such a place; and read again, the converted page
// has the same tokens, tag names and attribute names (but those) as the page. A conversion
// plan made from the scan gives the same bytes.
//
// Input: a flags byte (which files count as retrieved), then the page.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzChecks.h"
#include "mirror/CharacterReferences.h"
#include "mirror/HtmlTokenizer.h"
#include "mirror/MirrorLayout.h"
#include "mirror/PageConversion.h"

namespace {

const char kAddress[] = "http://site.test/dir/page.html";

// What a page looks like to the check: each token's type and name, the attribute names of start
// tags (without those the conversion may drop), and the text and comments outside <style>.
std::vector<std::string> Shape(std::string_view page) {
    std::vector<std::string> shape;
    mirror::HtmlTokenizer tokenizer(page);
    // The text of <style> is read as CSS, as the page scanner reads it.
    bool inStyle = false;
    bool afterStyleTag = false;
    std::size_t end = 0;
    while (tokenizer.Next()) {
        const auto& t = tokenizer.Token();
        FUZZ_CHECK(t.begin >= end && t.begin < t.end && t.end <= page.size());
        end = t.end;
        std::string item(1, static_cast<char>('0' + static_cast<int>(t.type)));
        item += t.name;
        if (t.type == mirror::HtmlTokenType::StartTag) {
            afterStyleTag = t.name == "style";
            if (afterStyleTag) inStyle = !t.selfClosing;
            for (const auto* list : {&t.attributes, &t.repeatedAttributes}) {
                for (const auto& a : *list) {
                    FUZZ_CHECK(a.nameBegin >= t.begin && a.end <= t.end);
                    FUZZ_CHECK(a.valueBegin <= a.valueEnd && a.valueEnd <= a.end);
                    if (list == &t.attributes) {
                        const std::string_view raw =
                            page.substr(a.valueBegin, a.valueEnd - a.valueBegin);
                        FUZZ_CHECK(mirror::DecodeCharacterReferences(
                                       raw, mirror::ReferenceContext::Attribute) == a.value);
                    }
                    std::string_view name = a.name;
                    if (name.substr(0, 5) == "data-") name.remove_prefix(5);
                    const bool droppable = name == "integrity" || name == "crossorigin" ||
                                           (t.name == "base" && name == "href");
                    if (!droppable) item += " " + std::string(a.name);
                }
            }
        } else if (t.type == mirror::HtmlTokenType::EndTag) {
            if (t.name == "style") inStyle = false;
        } else if (t.type == mirror::HtmlTokenType::Comment) {
            item += std::string(t.text);
        } else {
            const bool css =
                inStyle || (afterStyleTag && t.textKind == mirror::HtmlTextKind::RawText);
            if (!css) item += std::string(t.text);
        }
        // Texts may be split differently around a rewritten place; join them.
        if (!shape.empty() && item[0] == '4' && shape.back()[0] == '4') {
            shape.back() += item.substr(1);
        } else {
            shape.push_back(std::move(item));
        }
    }
    return shape;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 65536) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::vector<std::string> before = Shape(page);

    const mirror::PageReferences found = mirror::ExtractPageReferences(page, kAddress);
    std::set<std::pair<std::size_t, std::size_t>> places;
    for (const auto& r : found.references) {
        FUZZ_CHECK(r.begin <= r.end && r.end <= page.size());
        FUZZ_CHECK(r.address.rfind("http://", 0) == 0 || r.address.rfind("https://", 0) == 0);
        places.insert({r.begin, r.end});
    }
    std::set<std::size_t> disabled;
    for (const auto* list : {&found.baseHrefs, &found.integrityAttributes})
        for (const auto& a : *list) {
            FUZZ_CHECK(a.nameBegin < page.size());
            disabled.insert(a.nameBegin);
        }

    // Which files count as retrieved: all, none, or about half of them.
    const mirror::MirrorLayout layout("http://site.test/");
    const int rule = flags & 3;
    const mirror::LocalPathLookup lookup =
        [&](std::string_view address) -> std::optional<std::string> {
        if (rule == 1 || (rule == 2 && address.size() % 2 == 0)) return std::nullopt;
        const std::string path = layout.LocalPath(address, (flags & 4) ? "text/html" : "");
        if (path.empty()) return std::nullopt;
        return path;
    };
    const std::vector<mirror::TextEdit> edits =
        mirror::ConversionEdits(page, found, "dir/page.html", lookup);
    std::size_t at = 0;
    for (const auto& e : edits) {
        FUZZ_CHECK(e.begin >= at && e.begin <= e.end && e.end <= page.size());
        at = e.end;
        const bool rewrite = places.count({e.begin, e.end}) > 0;
        const bool rename =
            e.begin == e.end && e.replacement == "data-" && disabled.count(e.begin) > 0;
        FUZZ_CHECK(rewrite || rename);
    }
    const std::string converted = mirror::ApplyEdits(page, edits);
    FUZZ_CHECK(converted == mirror::ConvertPage(page, kAddress, "dir/page.html", lookup));
    FUZZ_CHECK(Shape(converted) == before);
    // The plan kept from the scan as the page landed converts it the same, its texts kept apart
    // from the references they came from.
    std::vector<std::string> kept;
    const std::optional<mirror::ConversionPlan> plan =
        mirror::PlanConversion(found, [&](std::string_view t) {
            kept.emplace_back(t);
            return static_cast<std::uint32_t>(kept.size() - 1);
        });
    FUZZ_CHECK(plan.has_value());
    const mirror::KeptText texts = [&](std::uint32_t n) { return std::string_view(kept[n]); };
    FUZZ_CHECK(mirror::ApplyEdits(page, mirror::ConversionEdits(page, *plan, texts, "dir/page.html",
                                                                lookup)) == converted);

    // The same bytes as a style sheet.
    const mirror::PageReferences sheet = mirror::ExtractStyleSheetReferences(page, kAddress);
    at = 0;
    for (const auto& e : mirror::ConversionEdits(page, sheet, "dir/page.html", lookup)) {
        FUZZ_CHECK(e.begin >= at && e.end <= page.size());
        at = e.end;
    }
    return 0;
}
