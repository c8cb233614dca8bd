// What lanternway-get costs in memory for a reply that unpacks a thousandfold. In a file of its
// own: the peak is read from the children this test process has waited for, and no other test
// may have run a larger one.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/CompressedBodies.h"
#include "support/NginxServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway-get";

// The start page is 1 GiB of zeros sent as 1 MB of gzip (pre-compressed, served as nginx serves
// such files). It used to cost more than its unpacked size in memory, as the network thread
// unpacked all of it ahead of the page's handler; now the program's peak stays at a small
// fraction of it, most of it the page text kept for the link scan.
TEST(GetMemory, ReplyThatUnpacksToAGigabyteCostsAFractionOfIt) {
    constexpr std::int64_t kUnpacked = std::int64_t{1} << 30;
    TempFolder site, out;
    WriteWholeFile(site.Text() + "index.html.gz", GzipOfZeros(kUnpacked));
    NginxServer web({.Root = site.Path(), .ExtraServerConfig = "gzip_static on;"});
    // The sanitizer's quarantine of freed memory would count as the program's own.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string saved = sanitizer ? sanitizer : "";
    setenv("ASAN_OPTIONS", (saved + ":quarantine_size_mb=4").c_str(), 1);
    int status = -1;
    {
        Subprocess run({kProgram, "--quiet", "--no-convert", web.Url("index.html"),
                        (out.Path() / "copy").string()},
                       {.OutputFile = out.Text() + "output.txt"});
        setenv("ASAN_OPTIONS", saved.c_str(), 1);
        // Generous: about ten seconds under the sanitizers.
        for (int waited = 0; run.Running() && waited < 300000; waited += 50) usleep(50000);
        status = run.Stop(SIGKILL);
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << ReadWholeFile(out.Text() + "output.txt");
    EXPECT_EQ(fs::file_size(out.Path() / "copy" / "index.html"),
              static_cast<std::uintmax_t>(kUnpacked));
    rusage children{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    const long peakMiB = children.ru_maxrss / 1024;  // ru_maxrss counts KiB
    EXPECT_LT(peakMiB, 250) << "peak resident memory in MiB";
    RecordProperty("PeakResidentMiB", static_cast<int>(peakMiB));
}

}  // namespace
