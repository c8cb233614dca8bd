// The complete copy's queue on arbitrary pages: every file a page queues gets a local path that
// stays in the project folder and that no other file has, and no file lies where another
// file's folder must be. This covers what the engine adds to the layout's names: the extension
// given again after a query, ".html" for a page and the "~2", "~3" of names given twice.
//
// Input: a flags byte (the file kinds, the depth, whether the start page is a folder), then the
// page served at the start address.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "core/SessionFields.h"
#include "engine/CompleteCopy.h"

namespace {

// The project folder, made once and removed at the end: Landed renames a page that is not
// named as one, so it must exist.
struct TemporaryFolder {
    std::string path;
    TemporaryFolder() {
        char name[] = "/tmp/lw-fuzz-queue-XXXXXX";
        const char* made = mkdtemp(name);
        FUZZ_CHECK(made != nullptr);
        path = std::string(made) + "/";
    }
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& ProjectFolder() {
    static const TemporaryFolder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 65536) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);

    SessionFields session;
    session.ProjectFolder = ProjectFolder();
    session.Settings.SearchEntireSite = flags & 1;
    session.Settings.RetrieveImageFiles = flags & 2;
    session.Settings.RetrieveZIPEXEFiles = flags & 4;
    session.Settings.RetrieveOtherFiles = flags & 8;
    session.Settings.RetrieveJavaApplets = flags & 16;
    CompleteCopy copy(session);
    std::string start =
        copy.Begin((flags & 32) ? "http://site.test/dir/" : "http://site.test/a.html");
    FUZZ_CHECK(start.rfind(ProjectFolder(), 0) == 0);
    copy.Landed(copy.StartAddress(), start, "text/html", page);

    std::set<std::string> paths{start.substr(ProjectFolder().size())};
    for (std::size_t i = 0; i < session.PendingCount(); ++i) {
        const std::string& file = session.PendingFile(i);
        FUZZ_CHECK(file.rfind(ProjectFolder(), 0) == 0);
        const std::string path = file.substr(ProjectFolder().size());
        CheckProjectPath(path);
        FUZZ_CHECK(paths.insert(path).second);
    }
    // No file where a folder of another is.
    for (const std::string& path : paths) {
        const auto next = paths.lower_bound(path + "/");
        FUZZ_CHECK(next == paths.end() || next->rfind(path + "/", 0) != 0);
    }
    return 0;
}
