#include "mirror/PageConversion.h"

#include <algorithm>
#include <unordered_set>

#include "mirror/AddressResolver.h"
#include "mirror/CssReferences.h"
#include "mirror/MirrorLayout.h"
#include "mirror/TextBytes.h"

namespace mirror {

namespace {

const char kDisabledPrefix[] = "data-";

std::string EscapedForAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

// The text that stands for the reference's new target in its place.
std::string ReplacementText(const Reference& r, std::string_view target) {
    std::string text = SafeAddressText(target);
    if (r.syntax == ReferenceSyntax::CssUrl) {
        text = EscapeCssValue(text, CssValueSyntax::Url, 0);
    } else if (r.syntax == ReferenceSyntax::CssString) {
        text = EscapeCssValue(text, CssValueSyntax::String, r.cssQuote);
    }
    return r.inAttribute ? EscapedForAttribute(text) : text;
}

}  // namespace

std::string SafeAddressText(std::string_view address) {
    std::string out;
    out.reserve(address.size());
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '`' ||
            c == '\\') {
            AppendPercentEscape(u, out);
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<TextEdit> ConversionEdits(std::string_view text, const PageReferences& references,
                                      std::string_view localPath, const LocalPathLookup& lookup) {
    std::vector<TextEdit> edits;
    std::unordered_set<std::size_t> localTags;
    for (const Reference& r : references.references) {
        const std::optional<std::string> local = lookup ? lookup(r.address) : std::nullopt;
        std::string target = local ? RelativeReference(localPath, *local) : r.address;
        target += ReferenceFragment(r.written);
        if (local) localTags.insert(r.tagBegin);
        std::string replacement = ReplacementText(r, target);
        if (text.substr(r.begin, r.end - r.begin) == replacement) continue;
        edits.push_back({r.begin, r.end, std::move(replacement)});
    }
    for (const DisabledAttribute& a : references.baseHrefs)
        edits.push_back({a.nameBegin, a.nameBegin, kDisabledPrefix});
    for (const DisabledAttribute& a : references.integrityAttributes)
        if (localTags.count(a.tagBegin))
            edits.push_back({a.nameBegin, a.nameBegin, kDisabledPrefix});
    std::sort(edits.begin(), edits.end(),
              [](const TextEdit& a, const TextEdit& b) { return a.begin < b.begin; });
    return edits;
}

std::string ApplyEdits(std::string_view text, const std::vector<TextEdit>& edits) {
    std::size_t size = text.size();
    for (const TextEdit& e : edits) size = size - (e.end - e.begin) + e.replacement.size();
    std::string out;
    out.reserve(size);
    std::size_t at = 0;
    for (const TextEdit& e : edits) {
        out.append(text, at, e.begin - at);
        out += e.replacement;
        at = e.end;
    }
    out.append(text, at, std::string_view::npos);
    return out;
}

std::string ConvertPage(std::string_view page, std::string_view pageAddress,
                        std::string_view pageLocalPath, const LocalPathLookup& lookup) {
    return ConvertPage(page, ExtractPageReferences(page, pageAddress), pageLocalPath, lookup);
}

std::string ConvertPage(std::string_view page, const PageReferences& references,
                        std::string_view pageLocalPath, const LocalPathLookup& lookup) {
    return ApplyEdits(page, ConversionEdits(page, references, pageLocalPath, lookup));
}

std::string ConvertStyleSheet(std::string_view css, std::string_view sheetAddress,
                              std::string_view sheetLocalPath, const LocalPathLookup& lookup) {
    const PageReferences references = ExtractStyleSheetReferences(css, sheetAddress);
    return ApplyEdits(css, ConversionEdits(css, references, sheetLocalPath, lookup));
}

}  // namespace mirror
