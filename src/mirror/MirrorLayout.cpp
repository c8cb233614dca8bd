#include "mirror/MirrorLayout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "mirror/AddressResolver.h"
#include "mirror/TextBytes.h"

namespace mirror {

namespace {

constexpr std::string_view kHostsFolder = "_hosts";
// Room is left for ".html" and the other extensions below the 255 bytes of a name.
constexpr std::size_t kLongestSegment = 200;
const char kHex[] = "0123456789ABCDEF";

bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Bytes a local name holds as they are.
constexpr std::array<bool, 256> MakeNameTable() {
    std::array<bool, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
    for (int c = '0'; c <= '9'; ++c) table[c] = true;
    for (unsigned char c : {'-', '.', '_', '~', '!', '$', '&', '\'', '(', ')', '+', ',', ';', '='})
        table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kNameByte = MakeNameTable();

// Bytes a relative reference holds as they are.
constexpr std::array<bool, 256> MakeReferenceTable() {
    std::array<bool, 256> table = MakeNameTable();
    for (unsigned char c : {'*', ':', '@'}) table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kReferenceByte = MakeReferenceTable();

// The length of the well-formed UTF-8 sequence that starts bytes, 0 when there is none.
std::size_t Utf8SequenceLength(const unsigned char* bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((bytes[k] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (bytes[k] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// Appends one segment (or a query) of an address as a local name; see the header for the rules.
void AppendLocalName(std::string_view raw, std::string& out) {
    const std::size_t n = raw.size();
    // The bytes the escapes and raw bytes stand for, each with the length of its spelling.
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> spelled;
    bytes.reserve(n);
    spelled.reserve(n);
    for (std::size_t i = 0; i < n;) {
        if (raw[i] == '%' && i + 2 < n + 0 && HexValue(raw[i + 1]) >= 0 &&
            HexValue(raw[i + 2]) >= 0) {
            bytes.push_back(
                static_cast<unsigned char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2])));
            spelled.push_back(3);
            i += 3;
        } else {
            bytes.push_back(static_cast<unsigned char>(raw[i]));
            spelled.push_back(1);
            ++i;
        }
    }
    for (std::size_t k = 0; k < bytes.size();) {
        const unsigned char b = bytes[k];
        const bool escaped = spelled[k] == 3;
        if (b >= 0x80) {
            const std::size_t length = Utf8SequenceLength(&bytes[k], bytes.size() - k);
            if (length > 0) {
                out.append(reinterpret_cast<const char*>(&bytes[k]), length);
                k += length;
                continue;
            }
            AppendPercentEscape(b, out);
        } else if (escaped ? IsUnreserved(b) : (kNameByte[b] && b != '%')) {
            out += static_cast<char>(b);
        } else {
            AppendPercentEscape(b, out);
        }
        ++k;
    }
}

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// A name over the limit keeps its beginning and its extension, with a hash of the whole name
// between them, so that long names that differ only at their end stay apart.
std::string Shortened(std::string name) {
    if (name.size() <= kLongestSegment) return name;
    std::string extension;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot <= 16 &&
        name.find('@', dot) == std::string::npos && name.find('%', dot) == std::string::npos)
        extension = name.substr(dot);
    std::string hash(16, '0');
    std::uint64_t value = Fnv1a(name);
    for (int k = 15; k >= 0; --k, value >>= 4) hash[static_cast<std::size_t>(k)] = kHex[value & 15];
    std::size_t cut = kLongestSegment - 1 - hash.size() - extension.size();
    // Not inside an escape or a UTF-8 sequence.
    if (cut >= 1 && name[cut - 1] == '%')
        cut -= 1;
    else if (cut >= 2 && name[cut - 2] == '%')
        cut -= 2;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut) + "~" + hash + extension;
}

std::string LocalSegment(std::string_view raw) {
    std::string out;
    AppendLocalName(raw, out);
    if (out == ".") return "%2E";
    if (out == "..") return "%2E%2E";
    return Shortened(std::move(out));
}

struct AddressParts {
    std::string_view scheme, origin, host, port, path, query;
    bool hasQuery = false;
};

// The parts of a normalised address: "scheme://host[:port]/path[?query]".
std::optional<AddressParts> Split(std::string_view address) {
    AddressParts p;
    const std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string_view::npos) return std::nullopt;
    p.scheme = address.substr(0, schemeEnd);
    const std::size_t authority = schemeEnd + 3;
    const std::size_t pathStart = address.find('/', authority);
    if (pathStart == std::string_view::npos) return std::nullopt;
    p.origin = address.substr(0, pathStart);
    const std::string_view hostPort = address.substr(authority, pathStart - authority);
    const std::size_t bracket = hostPort.rfind(']');
    const std::size_t colon = hostPort.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        p.host = hostPort.substr(0, colon);
        p.port = hostPort.substr(colon + 1);
    } else {
        p.host = hostPort;
    }
    const std::size_t question = address.find('?', pathStart);
    p.path = address.substr(pathStart, question == std::string_view::npos ? std::string_view::npos
                                                                          : question - pathStart);
    if (question != std::string_view::npos) {
        p.hasQuery = true;
        p.query = address.substr(question + 1);
    }
    return p;
}

}  // namespace

MirrorLayout::MirrorLayout(std::string_view siteAddress) {
    const std::optional<std::string> site = NormalizeAddress(siteAddress);
    if (!site) return;
    if (const std::optional<AddressParts> parts = Split(*site)) siteOrigin_ = parts->origin;
}

std::string MirrorLayout::LocalPath(std::string_view address, std::string_view contentType) const {
    const std::optional<std::string> normal = NormalizeAddress(address);
    if (!normal) return {};
    const std::optional<AddressParts> parts = Split(*normal);
    if (!parts) return {};
    std::string out;
    const bool ownSite = parts->origin == siteOrigin_;
    if (!ownSite) {
        out.append(kHostsFolder);
        out += '/';
        out.append(parts->scheme);
        out += '/';
        std::string host = LocalSegment(parts->host);
        if (!parts->port.empty()) host = Shortened(host + "@" + std::string(parts->port));
        out += host;
        out += '/';
    }
    // Folders, then the file name.
    std::string_view path = parts->path.substr(1);
    bool first = true;
    for (;;) {
        const std::size_t slash = path.find('/');
        if (slash == std::string_view::npos) break;
        const std::string_view segment = path.substr(0, slash);
        path.remove_prefix(slash + 1);
        if (segment.empty()) continue;
        std::string folder = LocalSegment(segment);
        if (ownSite && first && EqualsFolded(folder, kHostsFolder))
            folder = "%5F" + folder.substr(1);
        first = false;
        out += folder;
        out += '/';
    }
    std::string file;
    if (path.empty()) {
        file = "index.html";
    } else {
        AppendLocalName(path, file);
        if (file == ".") file = "%2E";
        if (file == "..") file = "%2E%2E";
        if (ownSite && first && EqualsFolded(file, kHostsFolder)) file = "%5F" + file.substr(1);
    }
    if (parts->hasQuery && !parts->query.empty()) {
        file += '@';
        std::string query;
        AppendLocalName(parts->query, query);
        file += query;
    }
    if (IsHtmlContentType(contentType) && !EndsWithFolded(file, ".html") &&
        !EndsWithFolded(file, ".htm"))
        file += ".html";
    out += Shortened(std::move(file));
    return out;
}

bool IsHtmlContentType(std::string_view contentType) {
    std::size_t begin = 0;
    while (begin < contentType.size() && (contentType[begin] == ' ' || contentType[begin] == '\t'))
        ++begin;
    std::size_t end = contentType.find(';', begin);
    if (end == std::string_view::npos) end = contentType.size();
    while (end > begin && (contentType[end - 1] == ' ' || contentType[end - 1] == '\t')) --end;
    const std::string_view type = contentType.substr(begin, end - begin);
    return EqualsFolded(type, "text/html") || EqualsFolded(type, "application/xhtml+xml");
}

std::string RelativeReference(std::string_view from, std::string_view to) {
    auto split = [](std::string_view path) {
        std::vector<std::string_view> segments;
        for (;;) {
            const std::size_t slash = path.find('/');
            segments.push_back(path.substr(0, slash));
            if (slash == std::string_view::npos) break;
            path.remove_prefix(slash + 1);
        }
        return segments;
    };
    const std::vector<std::string_view> fromSegments = split(from);
    const std::vector<std::string_view> toSegments = split(to);
    const std::size_t fromFolders = fromSegments.size() - 1;
    std::size_t common = 0;
    while (common < fromFolders && common + 1 < toSegments.size() &&
           fromSegments[common] == toSegments[common])
        ++common;
    std::string out;
    for (std::size_t k = common; k < fromFolders; ++k) out += "../";
    const bool upward = !out.empty();
    for (std::size_t k = common; k < toSegments.size(); ++k) {
        if (k > common) out += '/';
        for (const char c : toSegments[k]) {
            const auto u = static_cast<unsigned char>(c);
            if (kReferenceByte[u]) {
                out += c;
            } else {
                AppendPercentEscape(u, out);
            }
        }
    }
    // "a:b.html" would read as an address with the scheme "a".
    if (!upward) {
        const std::size_t colon = out.find(':');
        if (colon != std::string::npos && colon < out.find('/')) out.insert(0, "./");
    }
    return out;
}

}  // namespace mirror
