#pragma once

#include <optional>
#include <string>
#include <string_view>

// The absolute addresses of the references on a page, resolved with libcurl's URL parser. A
// reference is first read the way a browser reads the address in an attribute: white space and
// control characters around it are ignored, tabs and line breaks inside it are dropped,
// backslashes are slashes, "http:x" on an http page is relative, and what an address may not
// hold (spaces, quotes, non-ASCII bytes) is percent-encoded. Only http and https addresses are
// resolved; mailto:, javascript:, data: and the like are not followed.
//
// A relative reference is joined to the base as RFC 3986 merges them, and libcurl parses and
// normalises the absolute address that gives. (libcurl's own joining of relative references
// differs from browsers in corners such as "./?x", which it resolves to "/docs?x".)
//
// Results are normalised: scheme and host in lower case, no default port, no user name or
// password, no fragment, "." and ".." segments removed.

namespace mirror {

class AddressResolver {
  public:
    // An invalid base (not an absolute http or https address) resolves nothing.
    explicit AddressResolver(std::string_view baseAddress);

    bool Valid() const { return !baseText_.empty(); }
    // The normalised base address.
    const std::string& Base() const { return baseText_; }

    // The absolute address of a reference as written in a page (character references already
    // decoded), without its fragment; nullopt for other schemes and what cannot be parsed.
    std::optional<std::string> Resolve(std::string_view reference) const;

    // The same answer, always through libcurl. Resolve takes a shortcut for plain relative
    // references (letters, digits, "/" and a few more, "." and ".." segments), which are the
    // bulk of a site's links, without the parser; the tests and the fuzzer check that both
    // agree.
    std::optional<std::string> ResolveWithLibrary(std::string_view reference) const;

  private:
    // The reference ready for the parser (see above), or nullopt for a scheme not followed.
    std::optional<std::string> Prepare(std::string_view reference) const;
    std::optional<std::string> ResolvePrepared(const std::string& prepared) const;
    std::optional<std::string> Shortcut(const std::string& prepared) const;

    std::string baseText_;
    std::string baseScheme_;
    std::size_t originLength_ = 0;     // "scheme://host[:port]"
    std::size_t directoryLength_ = 0;  // up to and including the last "/" of the path
    std::size_t pathEnd_ = 0;          // before the query
};

// The normalised form of an absolute http or https address, or nullopt.
std::optional<std::string> NormalizeAddress(std::string_view address);

// The fragment of a reference as written, with its "#"; empty when it has none.
std::string_view ReferenceFragment(std::string_view reference);

// True for a reference to a place in the same document ("", "#top"), which is left as written.
bool IsSameDocumentReference(std::string_view reference);

}  // namespace mirror
