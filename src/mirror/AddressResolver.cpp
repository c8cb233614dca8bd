#include "mirror/AddressResolver.h"

#include <curl/curl.h>

#include <array>
#include <cstring>
#include <memory>

#include "mirror/TextBytes.h"

namespace mirror {

namespace {

// Host names stay as written (in UTF-8): libcurl's conversion to punycode is not in every build.
constexpr unsigned kGetFlags = CURLU_NO_DEFAULT_PORT;

bool IsSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// The length of "scheme:" at the start of a reference, 0 when it has none.
std::size_t SchemeLength(std::string_view text) {
    if (text.empty() || !((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z')))
        return 0;
    std::size_t i = 1;
    while (i < text.size() && IsSchemeChar(text[i])) ++i;
    return i < text.size() && text[i] == ':' ? i + 1 : 0;
}

bool IsWebScheme(std::string_view lowerScheme) {
    return lowerScheme == "http" || lowerScheme == "https";
}

// Bytes an address may not hold as they are.
constexpr std::array<bool, 256> MakeEncodeTable() {
    std::array<bool, 256> table{};
    for (int c = 0; c <= 0x20; ++c) table[c] = true;
    for (int c = 0x7F; c < 256; ++c) table[c] = true;
    for (unsigned char c : {'"', '<', '>', '`', '{', '}', '|', '^'}) table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kEncode = MakeEncodeTable();

// Bytes of the shortcut: a relative path or query made of these needs no normalising.
constexpr std::array<bool, 256> MakePlainTable(bool query) {
    std::array<bool, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
    for (int c = '0'; c <= '9'; ++c) table[c] = true;
    for (unsigned char c :
         {'-', '.', '_', '~', '/', '!', '$', '&', '\'', '(', ')', '*', '+', ',', ';', '=', '@'})
        table[c] = true;
    if (query) {
        table[':'] = true;
        table['?'] = true;
    }
    return table;
}
constexpr std::array<bool, 256> kPlainPath = MakePlainTable(false);
constexpr std::array<bool, 256> kPlainQuery = MakePlainTable(true);

// The address text libcurl made, with the host in lower case (libcurl keeps its case).
std::string LowerHost(std::string text) {
    const std::size_t start = text.find("://");
    if (start == std::string::npos) return text;
    for (std::size_t i = start + 3; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' || c == '?' || c == '#') break;
        text[i] = ToLower(c);
    }
    return text;
}

// A host name (percent-escapes decoded) that no browser would accept: controls, white space
// and the delimiters of an address. IPv6 addresses in brackets are checked by libcurl.
bool IsForbiddenHost(std::string_view host) {
    if (host.empty()) return true;
    if (host.front() == '[') return false;
    for (const char c : host) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) return true;
        for (const char forbidden : std::string_view("#%/:<>?@[\\]^|"))
            if (c == forbidden) return true;
    }
    return false;
}

// libcurl takes everything from a '%' after an IPv6 address to the closing bracket as its zone,
// '@', '[' and escapes included, and writes it back escaped once more: such an address is
// garbage, and its text would change with every pass through the parser. A zone is a name
// (RFC 6874: letters, digits and "-._~").
bool HasPlainZone(CURLU* url) {
    char* zone = nullptr;
    if (curl_url_get(url, CURLUPART_ZONEID, &zone, 0) != CURLUE_OK) return true;  // none
    bool plain = *zone != '\0';
    for (const char* c = zone; *c; ++c) {
        if (!IsAsciiAlphanumeric(*c) && *c != '-' && *c != '.' && *c != '_' && *c != '~')
            plain = false;
    }
    curl_free(zone);
    return plain;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// One pass of the parser over a prepared absolute address.
std::optional<std::string> NormalizedOnce(const char* address) {
    const std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    CURLU* url = handle.get();
    if (!url || curl_url_set(url, CURLUPART_URL, address, 0) != CURLUE_OK) return std::nullopt;
    curl_url_set(url, CURLUPART_USER, nullptr, 0);
    curl_url_set(url, CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0);
    char* scheme = nullptr;
    if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return std::nullopt;
    const bool web = IsWebScheme(scheme);
    curl_free(scheme);
    if (!web) return std::nullopt;
    char* host = nullptr;
    if (curl_url_get(url, CURLUPART_HOST, &host, 0) != CURLUE_OK) return std::nullopt;
    const bool forbidden = IsForbiddenHost(host);
    const bool bracketed = host[0] == '[';
    curl_free(host);
    if (forbidden) return std::nullopt;
    if (bracketed && !HasPlainZone(url)) return std::nullopt;
    char* text = nullptr;
    if (curl_url_get(url, CURLUPART_URL, &text, kGetFlags) != CURLUE_OK) return std::nullopt;
    std::string out = LowerHost(text);
    curl_free(text);
    return out;
}

// Parses a prepared absolute address and returns its normalised text. libcurl decodes the
// escapes of a host without putting the decoded name into its usual form ("7%31" stays "71",
// where "71" itself becomes "0.0.0.71"), so an address with escapes takes a second pass (where
// its host begins is the parser's call: "http:///h" names the host h); one whose text still
// changes after that is refused.
std::optional<std::string> Normalized(const char* address) {
    std::optional<std::string> out = NormalizedOnce(address);
    if (!out || !std::strchr(address, '%')) return out;
    const std::optional<std::string> again = NormalizedOnce(out->c_str());
    if (again == out) return out;
    if (again && NormalizedOnce(again->c_str()) == again) return again;
    return std::nullopt;
}

// The reference ready for the parser, in one pass: white space and controls around it and the
// fragment dropped, tabs and line breaks inside it dropped, backslashes made slashes, and what an
// address may not hold percent-encoded.
std::string PreparedText(std::string_view reference) {
    std::size_t begin = 0;
    std::size_t end = reference.size();
    while (begin < end && static_cast<unsigned char>(reference[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(reference[end - 1]) <= 0x20) --end;
    std::string out;
    out.reserve(end - begin + 8);
    for (std::size_t i = begin; i < end; ++i) {
        const char c = reference[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '#') break;
        if (c == '\t' || c == '\n' || c == '\r') continue;
        if (c == '\\') {
            out += '/';
        } else if (kEncode[u]) {
            AppendPercentEscape(u, out);
        } else {
            out += c;
        }
    }
    return out;
}

// Appends a path ("/" first) with its "." and ".." segments resolved, as RFC 3986 removes them:
// "/a/b/../c/./d" is "/a/c/d", and ".." at the top stays at the top.
void AppendWithoutDotSegments(std::string_view path, std::string& out) {
    const std::size_t root = out.size();
    std::size_t i = 0;
    while (i < path.size()) {
        // path[i] is the "/" that starts a segment.
        std::size_t next = path.find('/', i + 1);
        if (next == std::string_view::npos) next = path.size();
        const std::string_view segment = path.substr(i + 1, next - i - 1);
        const bool last = next == path.size();
        if (segment == "." || segment == "..") {
            if (segment == "..") {
                const std::size_t slash = out.rfind('/');
                out.resize(slash == std::string::npos || slash < root ? root : slash);
            }
            // A dot segment at the end leaves the folder: "/a/b/.." is "/a/".
            if (last) out += '/';
        } else {
            out.append(path, i, next - i);
        }
        i = next;
    }
    if (out.size() == root) out += '/';
}

}  // namespace

AddressResolver::AddressResolver(std::string_view baseAddress) {
    const std::string prepared = PreparedText(baseAddress);
    if (SchemeLength(prepared) == 0) return;
    std::optional<std::string> normal = Normalized(prepared.c_str());
    if (!normal) return;
    const std::size_t authority = normal->find("://") + 3;
    const std::size_t originLength = normal->find_first_of("/?", authority);
    if (originLength == std::string::npos) return;
    baseText_ = std::move(*normal);
    baseScheme_ = baseText_.substr(0, baseText_.find(':'));
    originLength_ = originLength;
    pathEnd_ = baseText_.find('?', originLength_);
    if (pathEnd_ == std::string::npos) pathEnd_ = baseText_.size();
    directoryLength_ = baseText_.rfind('/', pathEnd_ - 1) + 1;
}

std::optional<std::string> AddressResolver::Prepare(std::string_view reference) const {
    std::string prepared = PreparedText(reference);
    const std::size_t schemeLength = SchemeLength(prepared);
    if (schemeLength > 0) {
        std::string scheme = prepared.substr(0, schemeLength - 1);
        for (char& c : scheme) c = ToLower(c);
        if (!IsWebScheme(scheme)) return std::nullopt;
        // "http:page.html" on an http page is a relative reference.
        const char next = schemeLength < prepared.size() ? prepared[schemeLength] : '\0';
        if (scheme == baseScheme_ && next != '/') prepared.erase(0, schemeLength);
    }
    return prepared;
}

std::optional<std::string> AddressResolver::Shortcut(const std::string& prepared) const {
    const std::size_t n = prepared.size();
    if (n == 0) return baseText_;
    if (prepared[0] == '/' && n > 1 && prepared[1] == '/') return std::nullopt;
    // libcurl drops an empty query.
    if (prepared.back() == '?') return std::nullopt;
    std::size_t query = n;
    bool dots = false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto u = static_cast<unsigned char>(prepared[i]);
        if (query == n && u == '?') {
            query = i;
            continue;
        }
        if (!(query < n ? kPlainQuery[u] : kPlainPath[u])) return std::nullopt;
        if (u == '.' && query == n && (i == 0 || prepared[i - 1] == '/')) dots = true;
    }
    // The merged path: the base's (for a query alone), the reference's, or the base's folder and
    // the reference.
    std::string out;
    out.reserve(directoryLength_ + n);
    if (query == 0) {
        out.append(baseText_, 0, pathEnd_);
    } else if (prepared[0] == '/') {
        out.append(baseText_, 0, originLength_);
        out.append(prepared, 0, query);
    } else {
        out.append(baseText_, 0, directoryLength_);
        out.append(prepared, 0, query);
    }
    if (dots) {
        const std::string path = out.substr(originLength_);
        out.resize(originLength_);
        AppendWithoutDotSegments(path, out);
    }
    out.append(prepared, query, std::string::npos);
    return out;
}

// The merge of RFC 3986 (5.2.2): the reference's scheme, authority, path or query replaces the
// base's from that part on. Dot segments are left to the parser.
std::optional<std::string> AddressResolver::ResolvePrepared(const std::string& prepared) const {
    if (prepared.empty()) return baseText_;
    std::string absolute;
    if (SchemeLength(prepared) > 0) {
        absolute = prepared;
    } else if (prepared.compare(0, 2, "//") == 0) {
        absolute = baseScheme_ + ":" + prepared;
    } else if (prepared[0] == '/') {
        absolute = baseText_.substr(0, originLength_) + prepared;
    } else if (prepared[0] == '?') {
        absolute = baseText_.substr(0, pathEnd_) + prepared;
    } else {
        absolute = baseText_.substr(0, directoryLength_) + prepared;
    }
    return Normalized(absolute.c_str());
}

std::optional<std::string> AddressResolver::Resolve(std::string_view reference) const {
    if (!Valid()) return std::nullopt;
    const std::optional<std::string> prepared = Prepare(reference);
    if (!prepared) return std::nullopt;
    if (std::optional<std::string> quick = Shortcut(*prepared)) return quick;
    return ResolvePrepared(*prepared);
}

std::optional<std::string> AddressResolver::ResolveWithLibrary(std::string_view reference) const {
    if (!Valid()) return std::nullopt;
    const std::optional<std::string> prepared = Prepare(reference);
    if (!prepared) return std::nullopt;
    return ResolvePrepared(*prepared);
}

std::optional<std::string> NormalizeAddress(std::string_view address) {
    const AddressResolver resolver(address);
    if (!resolver.Valid()) return std::nullopt;
    return resolver.Base();
}

std::string_view ReferenceFragment(std::string_view reference) {
    const std::size_t hash = reference.find('#');
    if (hash == std::string_view::npos) return {};
    std::string_view fragment = reference.substr(hash);
    while (!fragment.empty() && static_cast<unsigned char>(fragment.back()) <= 0x20)
        fragment.remove_suffix(1);
    return fragment;
}

bool IsSameDocumentReference(std::string_view reference) {
    for (const char c : reference) {
        if (static_cast<unsigned char>(c) <= 0x20) continue;
        return c == '#';
    }
    return true;
}

}  // namespace mirror
