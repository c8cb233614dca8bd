// The address operations on arbitrary links and settings. A local name never holds "/", "\" or a
// byte below 32, is never "." or "..", and the project folder followed by it never leaves the
// project folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "core/Addresses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte picks the settings, the rest is "SiteBase\nlink".
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.find('\n');
    SessionFields s;
    s.SiteBase = cut == std::string_view::npos ? "http://host/" : std::string(rest.substr(0, cut));
    const std::string_view link = cut == std::string_view::npos ? rest : rest.substr(cut + 1);
    s.Settings.SearchEntireSite = flags & 1;
    s.FirstPageParsed = flags & 2;
    s.Settings.RetrieveImageFiles = flags & 4;
    s.Settings.RetrieveZIPEXEFiles = flags & 8;
    s.Settings.RetrieveJavaApplets = flags & 16;
    s.Settings.RetrieveOtherFiles = flags & 32;
    s.Settings.RetrieveFromFTP = flags & 64;
    s.SessionOpenedFromFile = flags & 128;
    s.Settings.CollectEMailAddresses = true;
    ParseOtherFileTypes(".au;.pdf;.;.asp;..", s);
    s.ProjectFolder = "/tmp/project/";

    const std::string name = UrlToLocalName(link, s);
    if (!name.empty()) {
        FUZZ_CHECK(name.find('/') == std::string::npos);
        FUZZ_CHECK(name.find('\\') == std::string::npos);
        FUZZ_CHECK(name != "." && name != "..");
        FUZZ_CHECK(name.size() <= 255);
        for (unsigned char c : name) FUZZ_CHECK(c >= 32);
        const auto full = std::filesystem::path(s.ProjectFolder + name).lexically_normal();
        FUZZ_CHECK(full.parent_path() == std::filesystem::path("/tmp/project"));
    }
    const std::string base = BaseAddress(link, s);
    FUZZ_CHECK(!base.empty() && base.back() == '/');
    const std::string dir = UrlDirectory(link);
    FUZZ_CHECK(dir.size() <= link.size() + 1);
    (void)IsOffSite(link, s);
    (void)IsSpecialLink(link);
    return 0;
}
