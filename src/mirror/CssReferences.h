#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The addresses in a style sheet, a <style> block or a style attribute: url() in either form,
// @import with a string or url(), and the strings of image-set(). The scan follows the
// tokenization of CSS, so that comments, other strings ("url(x)" in a content: value), names
// that merely end in "url" and escapes are read as a browser reads them.

namespace mirror {

enum class CssValueSyntax : std::uint8_t {
    Url,     // the content of an unquoted url(...)
    String,  // the content of a quoted string: url("..."), @import "...", image-set("...")
};

struct CssReference {
    std::string value;      // the address as written, escapes resolved
    std::size_t begin = 0;  // the raw address in the style sheet (a string without its quotes)
    std::size_t end = 0;
    CssValueSyntax syntax = CssValueSyntax::Url;
    char quote = 0;         // the quote of a String
    bool import = false;    // the style sheet of an @import
    bool fontFace = false;  // inside an @font-face rule
};

std::vector<CssReference> FindCssReferences(std::string_view css);

// The text that stands for an address in place of a reference of the given syntax: characters
// that would end or break it are escaped.
std::string EscapeCssValue(std::string_view address, CssValueSyntax syntax, char quote);

}  // namespace mirror
