#include "mirror/PageReferences.h"

#include <optional>
#include <tuple>
#include <unordered_map>

#include "mirror/AddressResolver.h"
#include "mirror/AttributeSyntax.h"
#include "mirror/CharacterReferences.h"
#include "mirror/CssReferences.h"
#include "mirror/HtmlTokenizer.h"
#include "mirror/TextBytes.h"

namespace mirror {

namespace {

// The type of a url() in a style sheet outside @font-face, from its extension.
ResourceType CssUrlType(std::string_view address) {
    std::string_view path = address.substr(0, address.find_first_of("?#"));
    for (std::string_view font : {".woff2", ".woff", ".ttf", ".otf", ".eot"})
        if (EndsWithFolded(path, font)) return ResourceType::Font;
    if (EndsWithFolded(path, ".css")) return ResourceType::StyleSheet;
    return ResourceType::Image;
}

// Whether the space-separated tokens of a rel value include word (or, with partial, a token
// containing it).
bool RelHas(std::string_view rel, std::string_view word, bool partial = false) {
    std::size_t i = 0;
    while (i < rel.size()) {
        while (i < rel.size() && IsAsciiSpace(rel[i])) ++i;
        const std::size_t start = i;
        while (i < rel.size() && !IsAsciiSpace(rel[i])) ++i;
        const std::string_view token = rel.substr(start, i - start);
        if (token.empty()) continue;
        if (!partial && EqualsFolded(token, word)) return true;
        if (partial) {
            for (std::size_t k = 0; k + word.size() <= token.size(); ++k)
                if (EqualsFolded(token.substr(k, word.size()), word)) return true;
        }
    }
    return false;
}

enum class Element : std::uint8_t {
    A,
    Area,
    Frame,
    Iframe,
    Meta,
    Img,
    Image,
    Source,
    Video,
    Audio,
    Track,
    Input,
    Link,
    Script,
    Object,
    Embed,
    Background,
    Use,
    Base,
    Style,
    Form,
    Button
};

const std::unordered_map<std::string_view, Element>& Elements() {
    static const std::unordered_map<std::string_view, Element> kElements = {
        {"a", Element::A},           {"area", Element::Area},       {"frame", Element::Frame},
        {"iframe", Element::Iframe}, {"meta", Element::Meta},       {"img", Element::Img},
        {"image", Element::Image},   {"source", Element::Source},   {"video", Element::Video},
        {"audio", Element::Audio},   {"track", Element::Track},     {"input", Element::Input},
        {"link", Element::Link},     {"script", Element::Script},   {"object", Element::Object},
        {"embed", Element::Embed},   {"body", Element::Background}, {"table", Element::Background},
        {"td", Element::Background}, {"th", Element::Background},   {"use", Element::Use},
        {"base", Element::Base},     {"style", Element::Style},     {"form", Element::Form},
        {"button", Element::Button}};
    return kElements;
}

class PageScanner {
  public:
    explicit PageScanner(std::string_view page) : page_(page) {}

    PageReferences Run(std::string_view pageAddress);
    void ScanStyleSheet(std::string_view css, std::size_t offset, std::size_t tagBegin);

    std::vector<Reference> found_;

  private:
    void ScanTag(const HtmlToken& tag);
    void AddWhole(const HtmlToken& tag, const HtmlAttribute* a, ReferenceKind kind,
                  ResourceType type);
    void AddSrcset(const HtmlToken& tag, const HtmlAttribute* a);
    void AddStyleAttribute(const HtmlToken& tag, const HtmlAttribute& a);
    void AddItem(const HtmlToken& tag, const HtmlAttribute& a, ValueRange item, ReferenceKind kind,
                 ResourceType type);
    // The raw range in the page of a range of an attribute's decoded value.
    std::pair<std::size_t, std::size_t> RawRange(const HtmlAttribute& a, ValueRange item);

    std::string_view page_;
    PageReferences result_;
    std::optional<std::string> baseHref_;
    // The decoded-to-raw offsets of the attribute last mapped.
    const HtmlAttribute* mapped_ = nullptr;
    std::string decoded_;
    std::vector<std::uint32_t> offsets_;
};

std::pair<std::size_t, std::size_t> PageScanner::RawRange(const HtmlAttribute& a, ValueRange item) {
    if (!a.decoded) return {a.valueBegin + item.begin, a.valueBegin + item.end};
    if (mapped_ != &a) {
        DecodeWithOffsets(page_.substr(a.valueBegin, a.valueEnd - a.valueBegin),
                          ReferenceContext::Attribute, decoded_, offsets_);
        mapped_ = &a;
    }
    return {a.valueBegin + offsets_[item.begin], a.valueBegin + offsets_[item.end]};
}

void PageScanner::AddItem(const HtmlToken& tag, const HtmlAttribute& a, ValueRange item,
                          ReferenceKind kind, ResourceType type) {
    const std::string_view text = a.value.substr(item.begin, item.end - item.begin);
    if (text.empty() || IsSameDocumentReference(text)) return;
    Reference r;
    r.written = std::string(text);
    r.kind = kind;
    r.type = type;
    std::tie(r.begin, r.end) = RawRange(a, item);
    r.syntax = ReferenceSyntax::Attribute;
    r.attributeQuote = a.quote;
    r.tagBegin = tag.begin;
    found_.push_back(std::move(r));
}

void PageScanner::AddWhole(const HtmlToken& tag, const HtmlAttribute* a, ReferenceKind kind,
                           ResourceType type) {
    if (a && a->hasValue) AddItem(tag, *a, TrimmedAddress(a->value), kind, type);
}

void PageScanner::AddSrcset(const HtmlToken& tag, const HtmlAttribute* a) {
    if (!a) return;
    for (const ValueRange& item : SrcsetAddresses(a->value))
        AddItem(tag, *a, item, ReferenceKind::Requisite, ResourceType::Image);
}

void PageScanner::AddStyleAttribute(const HtmlToken& tag, const HtmlAttribute& a) {
    for (CssReference& css : FindCssReferences(a.value)) {
        if (css.value.empty() || IsSameDocumentReference(css.value)) continue;
        Reference r;
        r.type = css.import     ? ResourceType::StyleSheet
                 : css.fontFace ? ResourceType::Font
                                : CssUrlType(css.value);
        r.written = std::move(css.value);
        r.kind = ReferenceKind::Requisite;
        std::tie(r.begin, r.end) = RawRange(a, {css.begin, css.end});
        r.syntax = css.syntax == CssValueSyntax::Url ? ReferenceSyntax::CssUrl
                                                     : ReferenceSyntax::CssString;
        r.cssQuote = css.quote;
        r.attributeQuote = a.quote;
        r.tagBegin = tag.begin;
        found_.push_back(std::move(r));
    }
}

void PageScanner::ScanStyleSheet(std::string_view css, std::size_t offset, std::size_t tagBegin) {
    for (CssReference& ref : FindCssReferences(css)) {
        if (ref.value.empty() || IsSameDocumentReference(ref.value)) continue;
        Reference r;
        r.type = ref.import     ? ResourceType::StyleSheet
                 : ref.fontFace ? ResourceType::Font
                                : CssUrlType(ref.value);
        r.written = std::move(ref.value);
        r.kind = ReferenceKind::Requisite;
        r.begin = offset + ref.begin;
        r.end = offset + ref.end;
        r.syntax = ref.syntax == CssValueSyntax::Url ? ReferenceSyntax::CssUrl
                                                     : ReferenceSyntax::CssString;
        r.cssQuote = ref.quote;
        r.inAttribute = false;
        r.tagBegin = tagBegin;
        found_.push_back(std::move(r));
    }
}

void PageScanner::ScanTag(const HtmlToken& tag) {
    const std::size_t before = found_.size();
    const auto element = Elements().find(tag.name);
    if (element != Elements().end()) {
        constexpr auto kPage = ReferenceKind::Page;
        constexpr auto kRequisite = ReferenceKind::Requisite;
        constexpr auto kTarget = ReferenceKind::Target;
        switch (element->second) {
            case Element::A:
            case Element::Area:
                AddWhole(tag, tag.Attribute("href"), kPage, ResourceType::Other);
                AddWhole(tag, tag.Attribute("xlink:href"), kPage, ResourceType::Other);
                break;
            case Element::Frame:
            case Element::Iframe:
                AddWhole(tag, tag.Attribute("src"), kPage, ResourceType::Other);
                break;
            case Element::Meta: {
                const HtmlAttribute* equiv = tag.Attribute("http-equiv");
                const HtmlAttribute* content = tag.Attribute("content");
                ValueRange address;
                if (equiv && content && EqualsFolded(equiv->value, "refresh") &&
                    RefreshAddress(content->value, address))
                    AddItem(tag, *content, address, kPage, ResourceType::Other);
                break;
            }
            case Element::Img:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Image);
                AddSrcset(tag, tag.Attribute("srcset"));
                break;
            case Element::Image:
            case Element::Use:
                // <image src> outside SVG is an img to the parser.
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Image);
                AddWhole(tag, tag.Attribute("href"), kRequisite, ResourceType::Image);
                AddWhole(tag, tag.Attribute("xlink:href"), kRequisite, ResourceType::Image);
                break;
            case Element::Source:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Other);
                AddSrcset(tag, tag.Attribute("srcset"));
                break;
            case Element::Video:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Other);
                AddWhole(tag, tag.Attribute("poster"), kRequisite, ResourceType::Image);
                break;
            case Element::Audio:
            case Element::Track:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Other);
                break;
            case Element::Input: {
                const HtmlAttribute* type = tag.Attribute("type");
                if (type && EqualsFolded(type->value, "image"))
                    AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Image);
                [[fallthrough]];
            }
            case Element::Button:
                AddWhole(tag, tag.Attribute("formaction"), kTarget, ResourceType::Other);
                break;
            case Element::Form:
                AddWhole(tag, tag.Attribute("action"), kTarget, ResourceType::Other);
                break;
            case Element::Link: {
                const HtmlAttribute* relAttribute = tag.Attribute("rel");
                const std::string_view rel =
                    relAttribute ? relAttribute->value : std::string_view();
                const HtmlAttribute* href = tag.Attribute("href");
                if (RelHas(rel, "stylesheet")) {
                    AddWhole(tag, href, kRequisite, ResourceType::StyleSheet);
                } else if (RelHas(rel, "icon", true)) {
                    AddWhole(tag, href, kRequisite, ResourceType::Image);
                } else if (RelHas(rel, "preload")) {
                    const HtmlAttribute* as = tag.Attribute("as");
                    const std::string_view kind = as ? as->value : std::string_view();
                    const ResourceType type = EqualsFolded(kind, "style") ? ResourceType::StyleSheet
                                              : EqualsFolded(kind, "script") ? ResourceType::Script
                                              : EqualsFolded(kind, "font")   ? ResourceType::Font
                                              : EqualsFolded(kind, "image")  ? ResourceType::Image
                                                                             : ResourceType::Other;
                    AddWhole(tag, href, kRequisite, type);
                    AddSrcset(tag, tag.Attribute("imagesrcset"));
                } else if (RelHas(rel, "modulepreload")) {
                    AddWhole(tag, href, kRequisite, ResourceType::Script);
                } else if (RelHas(rel, "manifest")) {
                    AddWhole(tag, href, kRequisite, ResourceType::Other);
                } else {
                    AddWhole(tag, href, kPage, ResourceType::Other);
                }
                break;
            }
            case Element::Script:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Script);
                break;
            case Element::Object:
                AddWhole(tag, tag.Attribute("data"), kRequisite, ResourceType::Other);
                break;
            case Element::Embed:
                AddWhole(tag, tag.Attribute("src"), kRequisite, ResourceType::Other);
                break;
            case Element::Background:
                AddWhole(tag, tag.Attribute("background"), kRequisite, ResourceType::Image);
                break;
            case Element::Base:
                if (const HtmlAttribute* href = tag.Attribute("href")) {
                    if (!baseHref_) baseHref_ = std::string(href->value);
                    result_.baseHrefs.push_back({href->nameBegin, tag.begin});
                    for (const HtmlAttribute& repeated : tag.repeatedAttributes)
                        if (repeated.name == "href")
                            result_.baseHrefs.push_back({repeated.nameBegin, tag.begin});
                }
                break;
            case Element::Style:
                break;
        }
    }
    if (const HtmlAttribute* style = tag.Attribute("style")) AddStyleAttribute(tag, *style);
    if (found_.size() == before) return;
    for (const auto* list : {&tag.attributes, &tag.repeatedAttributes})
        for (const HtmlAttribute& a : *list)
            if (a.name == "integrity" || a.name == "crossorigin")
                result_.integrityAttributes.push_back({a.nameBegin, tag.begin});
}

PageReferences PageScanner::Run(std::string_view pageAddress) {
    HtmlTokenizer tokenizer(page_);
    // Inside <style> ... </style>; in SVG a <style/> has no content.
    bool inStyle = false;
    bool afterStyleTag = false;
    while (tokenizer.Next()) {
        const HtmlToken& token = tokenizer.Token();
        switch (token.type) {
            case HtmlTokenType::StartTag:
                mapped_ = nullptr;
                ScanTag(token);
                afterStyleTag = token.name == "style";
                if (afterStyleTag) inStyle = !token.selfClosing;
                break;
            case HtmlTokenType::EndTag:
                if (token.name == "style") inStyle = false;
                break;
            case HtmlTokenType::Text:
            case HtmlTokenType::CData:
                if (inStyle || (afterStyleTag && token.textKind == HtmlTextKind::RawText))
                    ScanStyleSheet(token.text,
                                   static_cast<std::size_t>(token.text.data() - page_.data()),
                                   token.begin);
                break;
            default:
                break;
        }
    }
    // The first <base href> counts for the whole page, wherever it stands.
    const AddressResolver pageBase(pageAddress);
    std::optional<AddressResolver> baseHref;
    if (baseHref_) {
        if (const std::optional<std::string> base = pageBase.Resolve(*baseHref_))
            baseHref.emplace(*base);
    }
    const AddressResolver& resolver = baseHref ? *baseHref : pageBase;
    result_.baseAddress = resolver.Base();
    result_.references.reserve(found_.size());
    for (Reference& r : found_) {
        std::optional<std::string> address = resolver.Resolve(r.written);
        if (!address) continue;
        r.address = std::move(*address);
        result_.references.push_back(std::move(r));
    }
    return std::move(result_);
}

}  // namespace

PageReferences ExtractPageReferences(std::string_view page, std::string_view pageAddress) {
    return PageScanner(page).Run(pageAddress);
}

PageReferences ExtractStyleSheetReferences(std::string_view css, std::string_view sheetAddress) {
    PageScanner scanner(css);
    scanner.ScanStyleSheet(css, 0, 0);
    const AddressResolver resolver(sheetAddress);
    PageReferences result;
    result.baseAddress = resolver.Base();
    for (Reference& r : scanner.found_) {
        std::optional<std::string> address = resolver.Resolve(r.written);
        if (!address) continue;
        r.address = std::move(*address);
        result.references.push_back(std::move(r));
    }
    return result;
}

}  // namespace mirror
