// The local paths of a complete copy for arbitrary addresses. A path never leaves the project
// folder: it is relative, its segments are never empty, "." or "..", never longer than 255
// bytes and never hold a control byte or a backslash; a path under "_hosts/" belongs to another
// origin than the site's. The relative reference between two mapped files leads a browser from
// the one to the other, and the resolver's shortcut gives what libcurl gives.
//
// Input: a flags byte, then "address\nsecond address".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "mirror/AddressResolver.h"
#include "mirror/MirrorLayout.h"

namespace {

const char* const kSites[] = {"http://site.test/", "https://site.test:8443/docs/",
                              "http://127.0.0.1:8080/a/b.html", "http://[::1]/"};

void CheckPath(const std::string& path, std::string_view address, std::string_view site) {
    CheckProjectPath(path);
    if (path == "_hosts" || path.rfind("_hosts/", 0) == 0) {
        // Only other origins go there.
        const std::optional<std::string> normal = mirror::NormalizeAddress(address);
        const std::optional<std::string> siteNormal = mirror::NormalizeAddress(site);
        FUZZ_CHECK(normal && siteNormal);
        const std::string origin =
            siteNormal->substr(0, siteNormal->find('/', siteNormal->find("://") + 3) + 1);
        FUZZ_CHECK(normal->compare(0, origin.size(), origin) != 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 8192) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.find('\n');
    const std::string_view address = rest.substr(0, cut);
    const std::string_view second = cut == std::string_view::npos ? rest : rest.substr(cut + 1);
    const char* site = kSites[flags & 3];
    const std::string_view type = (flags & 4) ? "text/html" : "";

    const mirror::MirrorLayout layout(site);
    FUZZ_CHECK(layout.Valid());
    const std::string path = layout.LocalPath(address, type);
    if (!path.empty()) {
        CheckPath(path, address, site);
        FUZZ_CHECK(path == layout.LocalPath(address, type));
    }

    // The address as a reference on a page of the site: the shortcut agrees with libcurl.
    const mirror::AddressResolver page(site);
    FUZZ_CHECK(page.Resolve(address) == page.ResolveWithLibrary(address));
    const std::optional<std::string> resolved = page.Resolve(address);
    if (resolved) FUZZ_CHECK(mirror::NormalizeAddress(*resolved) == resolved);

    // From one mapped file to another.
    const std::string other = layout.LocalPath(second, (flags & 8) ? "text/html" : "");
    if (!path.empty() && !other.empty()) {
        const std::string reference = mirror::RelativeReference(path, other);
        const mirror::AddressResolver from("http://x.test/" +
                                           mirror::RelativeReference("index.html", path));
        FUZZ_CHECK(from.Valid());
        const std::optional<std::string> target = from.Resolve(reference);
        const std::optional<std::string> expected = mirror::NormalizeAddress(
            "http://x.test/" + mirror::RelativeReference("index.html", other));
        FUZZ_CHECK(target && expected && *target == *expected);
    }
    return 0;
}
