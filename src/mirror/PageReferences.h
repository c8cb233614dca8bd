#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The references of a page or style sheet that a complete copy follows, each with its absolute
// address and the place of its text in the page, so that the conversion can rewrite it.
//
// Pages (kind Page) are linked through a and area href, frame and iframe src, a refresh
// (<meta http-equiv=refresh content="5; url=...">) and link elements that are not requisites
// (rel next, alternate, canonical...). Page requisites (kind Requisite), from any host:
//   img src and srcset; picture's source srcset; video, audio and source src; video poster;
//   track src; input type=image src; link href with rel stylesheet, any rel containing "icon",
//   preload (typed by as=), modulepreload, manifest, and link imagesrcset; script src; object
//   data; embed src; body, table, td and th background; SVG image and use href and xlink:href;
//   style attributes, <style> blocks and style sheets: url() and @import.
// Form targets (kind Target: form action, formaction of button and input) are never retrieved
// for themselves; the conversion points them at the copy when it holds their file, and at the
// online address otherwise, so that a form still sends to its server.
// A <base href> changes the address references are resolved against.

namespace mirror {

enum class ReferenceKind : std::uint8_t { Page, Requisite, Target };
enum class ResourceType : std::uint8_t { Image, StyleSheet, Script, Font, Other };

// How the text of a reference stands in its page, which tells how a new address is written
// in its place.
enum class ReferenceSyntax : std::uint8_t {
    Attribute,  // the whole value of an attribute, or an item of one (srcset, refresh)
    CssUrl,     // an unquoted url(...)
    CssString,  // a quoted CSS string
};

struct Reference {
    std::string address;  // absolute http or https address, without fragment
    std::string written;  // the reference as written, character references decoded
    ReferenceKind kind = ReferenceKind::Requisite;
    ResourceType type = ResourceType::Other;
    std::size_t begin = 0;  // the raw bytes of the reference in the page
    std::size_t end = 0;
    ReferenceSyntax syntax = ReferenceSyntax::Attribute;
    char cssQuote = 0;         // CssString: its quote
    bool inAttribute = true;   // inside an HTML attribute value (CSS of a style attribute too)
    char attributeQuote = 0;   // the attribute value's quote, 0 when unquoted
    std::size_t tagBegin = 0;  // offset of the "<" of its tag; for <style> text, of the text
};

// An attribute the conversion takes out of play. It is renamed "data-<name>" rather than cut
// out: cutting could join its neighbours into something else (in `a integrity=x ="y"` the "="
// would give "a" a value), while a longer name leaves every other byte and token as it was.
struct DisabledAttribute {
    std::size_t nameBegin = 0;
    std::size_t tagBegin = 0;
};

struct PageReferences {
    std::vector<Reference> references;  // in the order of the page
    std::string baseAddress;            // what relative references were resolved against
    // The href of every <base> (the copy must not be redirected by it), and the integrity and
    // crossorigin attributes of tags with references (a rewritten file no longer matches them).
    std::vector<DisabledAttribute> baseHrefs;
    std::vector<DisabledAttribute> integrityAttributes;
};

// The references of an HTML page retrieved from pageAddress.
PageReferences ExtractPageReferences(std::string_view page, std::string_view pageAddress);

// The references of a style sheet retrieved from sheetAddress: @import (style sheets) and
// url() (fonts inside @font-face and by extension, pictures otherwise).
PageReferences ExtractStyleSheetReferences(std::string_view css, std::string_view sheetAddress);

}  // namespace mirror
