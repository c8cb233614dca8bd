#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Decoding of HTML character references (&amp; &#233; &#x41; ...) as a browser reads them, with
// the input normalisations that come with them: CR LF and a lone CR become LF, NUL becomes U+FFFD.

namespace mirror {

// Inside an attribute value an old reference without ";" that is followed by "=" or a letter or
// digit stays as written ("?a=1&copy=2" keeps "&copy"); in text it is decoded.
enum class ReferenceContext { Attribute, Text };

// Whether raw holds anything that decoding changes ("&", CR or NUL). Most values do not, and
// their decoded text is the raw text itself.
bool NeedsDecoding(std::string_view raw);

// Appends the decoded text of raw to out.
void AppendDecoded(std::string_view raw, ReferenceContext context, std::string& out);
std::string DecodeCharacterReferences(std::string_view raw, ReferenceContext context);

// Decodes raw and records, for every byte of the decoded text, the offset in raw of the
// character or reference it came from, and one more entry for the end (raw.size()). A range
// of the decoded text that starts and ends on such boundaries maps back to the raw bytes that
// produced it, which is how a part of an attribute value is rewritten in place.
void DecodeWithOffsets(std::string_view raw, ReferenceContext context, std::string& decoded,
                       std::vector<std::uint32_t>& rawOffsets);

}  // namespace mirror
