#include "mirror/PageConversion.h"

#include <algorithm>
#include <limits>
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

// The text that stands for the reference's new target in its place (a Reference or a
// PlannedReference).
template <class Ref>
std::string ReplacementText(const Ref& r, std::string_view target) {
    std::string text = SafeAddressText(target);
    if (r.syntax == ReferenceSyntax::CssUrl) {
        text = EscapeCssValue(text, CssValueSyntax::Url, 0);
    } else if (r.syntax == ReferenceSyntax::CssString) {
        text = EscapeCssValue(text, CssValueSyntax::String, r.cssQuote);
    }
    return r.inAttribute ? EscapedForAttribute(text) : text;
}

// The edits of a page from its references (Reference or PlannedReference), with the attributes
// to disable of `disabled` (PageReferences or ConversionPlan).
template <class Ref, class Disabled, class AddressOf, class FragmentOf>
std::vector<TextEdit> EditsFor(std::string_view text, const std::vector<Ref>& references,
                               const Disabled& disabled, std::string_view localPath,
                               const LocalPathLookup& lookup, AddressOf addressOf,
                               FragmentOf fragmentOf) {
    std::vector<TextEdit> edits;
    std::unordered_set<std::size_t> localTags;
    for (const Ref& r : references) {
        const std::string_view address = addressOf(r);
        const std::optional<std::string> local = lookup ? lookup(address) : std::nullopt;
        std::string target = local ? RelativeReference(localPath, *local) : std::string(address);
        target += fragmentOf(r);
        if (local) localTags.insert(r.tagBegin);
        std::string replacement = ReplacementText(r, target);
        if (text.substr(r.begin, r.end - r.begin) == replacement) continue;
        edits.push_back({r.begin, r.end, std::move(replacement)});
    }
    for (const DisabledAttribute& a : disabled.baseHrefs)
        edits.push_back({a.nameBegin, a.nameBegin, kDisabledPrefix});
    for (const DisabledAttribute& a : disabled.integrityAttributes)
        if (localTags.count(a.tagBegin))
            edits.push_back({a.nameBegin, a.nameBegin, kDisabledPrefix});
    std::sort(edits.begin(), edits.end(),
              [](const TextEdit& a, const TextEdit& b) { return a.begin < b.begin; });
    return edits;
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

std::optional<ConversionPlan> PlanConversion(const PageReferences& references,
                                             const KeepText& keep) {
    constexpr std::size_t kMaxOffset = std::numeric_limits<std::uint32_t>::max();
    ConversionPlan plan;
    plan.references.reserve(references.references.size());
    for (const Reference& r : references.references) {
        if (r.end > kMaxOffset) return std::nullopt;
        PlannedReference p;
        p.address = keep(r.address);
        if (const std::string_view fragment = ReferenceFragment(r.written); !fragment.empty())
            p.fragment = keep(fragment);
        p.begin = static_cast<std::uint32_t>(r.begin);
        p.end = static_cast<std::uint32_t>(r.end);
        p.tagBegin = static_cast<std::uint32_t>(r.tagBegin);
        p.syntax = r.syntax;
        p.cssQuote = r.cssQuote;
        p.inAttribute = r.inAttribute;
        plan.references.push_back(p);
    }
    plan.baseHrefs = references.baseHrefs;
    plan.integrityAttributes = references.integrityAttributes;
    return plan;
}

std::vector<TextEdit> ConversionEdits(std::string_view text, const PageReferences& references,
                                      std::string_view localPath, const LocalPathLookup& lookup) {
    return EditsFor(
        text, references.references, references, localPath, lookup,
        [](const Reference& r) { return std::string_view(r.address); },
        [](const Reference& r) { return ReferenceFragment(r.written); });
}

std::vector<TextEdit> ConversionEdits(std::string_view text, const ConversionPlan& plan,
                                      const KeptText& texts, std::string_view localPath,
                                      const LocalPathLookup& lookup) {
    return EditsFor(
        text, plan.references, plan, localPath, lookup,
        [&](const PlannedReference& r) { return texts(r.address); },
        [&](const PlannedReference& r) {
            return r.fragment == kNoText ? std::string_view() : texts(r.fragment);
        });
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
