#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The attribute values that hold addresses inside a syntax of their own: the image candidates of
// srcset, and the address of a refresh in <meta http-equiv=refresh content=...>. Ranges are byte
// offsets in the (decoded) value.

namespace mirror {

struct ValueRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    bool operator==(const ValueRange&) const = default;
};

// The addresses of the image candidates of a srcset value, as the HTML standard parses it:
// candidates separated by commas, each an address followed by optional descriptors ("2x",
// "480w", "480w 300h"). A candidate whose descriptors are invalid is left out, as a browser
// leaves it out.
std::vector<ValueRange> SrcsetAddresses(std::string_view value);

// The address in the content of a refresh ("5; url=next.html", "0;URL='next.html'"), trimmed;
// false when there is none (a refresh of the page itself) or the content is not a refresh.
bool RefreshAddress(std::string_view content, ValueRange& address);

// The value without the white space and control characters that an address parser ignores
// around an address.
ValueRange TrimmedAddress(std::string_view value);

}  // namespace mirror
