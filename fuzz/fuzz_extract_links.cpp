// The link scanner on arbitrary pages. It never reads past the text (AddressSanitizer watches the
// exact-size buffer), and every address it queues passed the checks: inside the site or FTP, no
// "<", ">", "=" or "../", a storable local name in the project folder, known and queued in step.

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "core/Addresses.h"
#include "core/ExtractLinks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);
    SessionFields s;
    s.SiteBase = "http://host/";
    s.ProjectFolder = "/nonexistent-lanternway-fuzz/";
    s.Settings.SearchEntireSite = !(flags & 1);
    s.Settings.RetrieveImageFiles = !(flags & 2);
    s.Settings.RetrieveJavaApplets = flags & 4;
    s.Settings.RetrieveZIPEXEFiles = flags & 8;
    s.Settings.RetrieveFromFTP = flags & 16;
    s.Settings.RetrieveOtherFiles = flags & 32;
    s.Settings.CollectEMailAddresses = flags & 64;
    ParseOtherFileTypes(".pdf;.txt", s);
    s.KnownFiles.Add(s.ProjectFolder + "Main.html");

    const int queued = ExtractLinks(page, "http://host/dir/", s);
    FUZZ_CHECK(queued >= 0);
    FUZZ_CHECK(s.PendingURLs.size() == s.PendingFiles.size());
    FUZZ_CHECK(static_cast<std::size_t>(queued) == s.PendingCount());
    FUZZ_CHECK(s.KnownFiles.Count() == 1 + s.PendingCount());
    FUZZ_CHECK(s.FirstPageParsed);
    for (std::size_t i = 0; i < s.PendingCount(); ++i) {
        const std::string& r = s.PendingURL(i);
        const std::string& f = s.PendingFile(i);
        FUZZ_CHECK(IsSameSite(r, s));
        FUZZ_CHECK(r.find('<') == std::string::npos && r.find('>') == std::string::npos);
        FUZZ_CHECK(r.find('=') == std::string::npos && r.find("../") == std::string::npos);
        FUZZ_CHECK(f.rfind(s.ProjectFolder, 0) == 0);
        const std::string name = f.substr(s.ProjectFolder.size());
        FUZZ_CHECK(!name.empty() && name.find('/') == std::string::npos);
        FUZZ_CHECK(name != "." && name != "..");
        FUZZ_CHECK(s.KnownFiles.Contains(f));
    }
    return 0;
}
