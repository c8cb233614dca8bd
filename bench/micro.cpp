// Micro benchmarks of the hot paths of a copy: the address mapping, the link scanner, the three
// rewriting passes for offline browsing, the session file's scrambling and the rows of the
// status grid. Pages are in the benchmark site generator's style of HTML.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/Addresses.h"
#include "engine/SessionView.h"
#include "offline/LinkRewriting.h"
#include "sessionfile/SessionText.h"
#include "core/ExtractLinks.h"

namespace {

SessionFields BenchSession() {
    SessionFields s;
    s.SiteBase = "http://127.0.0.1:8080/";
    s.ProjectFolder = "/nonexistent-bench/";
    s.Settings.SearchEntireSite = true;
    s.Settings.RetrieveImageFiles = true;
    return s;
}

// About 16 KB of old-style HTML with ten links and three pictures.
std::string BenchPage(int seed) {
    std::string page = "<HTML>\r\n<HEAD><TITLE>Page</TITLE></HEAD>\r\n<BODY BGCOLOR=\"#FFFFFF\">\r\n";
    for (int p = 0; p < 40; ++p) {
        page += "<P>lantern harbour quiet river stone morning paper window garden signal copper ";
        page += "bridge lantern harbour quiet river stone morning paper window garden signal ";
        page += "copper bridge lantern harbour quiet river stone morning paper ";
        if (p % 4 == 0)
            page += "<A HREF=\"/sec" + std::to_string(p % 9 + 1) + "/p" +
                    std::to_string(seed * 100 + p) + ".html\">more</A> ";
        if (p % 13 == 0)
            page += "<IMG SRC=\"/images/i" + std::to_string(seed * 100 + p) +
                    ".gif\" ALT=\"picture\" WIDTH=64> ";
        page += "</P>\r\n";
    }
    return page + "</BODY>\r\n</HTML>\r\n";
}

void BM_UrlToLocalName(benchmark::State& state) {
    SessionFields s = BenchSession();
    const std::vector<std::string> links = {"/sec3/p000123.html", "p000124.htm",
                                            "/images/i000042.gif", "http://127.0.0.1:8080/sec1/",
                                            "docs/index.html", "script.asp?id=3"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(UrlToLocalName(links[i], s));
        i = (i + 1) % links.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UrlToLocalName);

void BM_ExtractLinks(benchmark::State& state) {
    std::vector<std::string> pages;
    for (int i = 0; i < 16; ++i) pages.push_back(BenchPage(i));
    std::size_t bytes = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        SessionFields s = BenchSession();
        ExtractLinks(pages[i], "http://127.0.0.1:8080/sec1/", s);
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ExtractLinks);

// The three rewriting passes over one page in memory; every linked file counts as retrieved.
void BM_ConvertPageText(benchmark::State& state) {
    std::vector<std::string> pages;
    for (int i = 0; i < 16; ++i) pages.push_back(BenchPage(i));
    OfflineLinkMap links(BenchSession(),
                         OfflineLinkMap::ExactNames([](const std::string&) { return true; }));
    std::size_t bytes = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertPageText(pages[i], links));
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ConvertPageText);

// Each rewriting pass on its own, fed with what the passes before it produce, as in a conversion.
enum class Pass { Join, Tags, Src };

void BM_RewritingPass(benchmark::State& state) {
    const auto pass = static_cast<Pass>(state.range(0));
    OfflineLinkMap links(BenchSession(),
                         OfflineLinkMap::ExactNames([](const std::string&) { return true; }));
    std::vector<std::string> inputs;
    for (int i = 0; i < 16; ++i) {
        std::string page = BenchPage(i);
        if (pass != Pass::Join) page = JoinAnchorTags(page);
        if (pass == Pass::Src) page = RewriteTagLinks(page, links);
        inputs.push_back(std::move(page));
    }
    std::size_t bytes = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& page = inputs[i];
        switch (pass) {
            case Pass::Join:
                benchmark::DoNotOptimize(JoinAnchorTags(page));
                break;
            case Pass::Tags:
                benchmark::DoNotOptimize(RewriteTagLinks(page, links));
                break;
            case Pass::Src:
                benchmark::DoNotOptimize(RewriteSrcLines(page, links));
                break;
        }
        bytes += page.size();
        i = (i + 1) % inputs.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_RewritingPass)
    ->ArgName("pass")
    ->Arg(static_cast<int>(Pass::Join))
    ->Arg(static_cast<int>(Pass::Tags))
    ->Arg(static_cast<int>(Pass::Src));

// The session file of a large session: about 50 000 grid rows.
std::string SessionText() {
    SessionRecord record;
    record.ProjectFolder = "/home/user/projects/site/";
    record.SiteFolders = {"http://127.0.0.1:8080/", "sec1/", "sec2/", "images/"};
    for (int r = 0; r < 50000; ++r)
        record.Rows.push_back({std::to_string(r), "sec1/p" + std::to_string(100000 + r) + ".html",
                               "16384", "16384", "Complete"});
    record.StartedText = "Session Started On: 01/02/2024 10:11:12";
    record.Statistics = {"Files Read: 50000", "Bytes Received: 819200000",
                         "Retrieval Speed: 12.0 MB/s", "Time Elapsed: 00:09"};
    return FormatSessionText(record);
}

void BM_ScrambleText(benchmark::State& state) {
    const std::string plain = SessionText();
    for (auto _ : state) benchmark::DoNotOptimize(ScrambleText(plain));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
}
BENCHMARK(BM_ScrambleText);

void BM_UnscrambleText(benchmark::State& state) {
    const std::string scrambled = ScrambleText(SessionText());
    for (auto _ : state) benchmark::DoNotOptimize(UnscrambleText(scrambled));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * scrambled.size()));
}
BENCHMARK(BM_UnscrambleText);

// One worker's row updates over its life: begin, headers, a few data events, end; on a grid that
// already holds many rows, so the cost must not grow with the session.
void BM_GridRowUpdate(benchmark::State& state) {
    SessionView view;
    view.SetGridRowCount(static_cast<int>(state.range(0)));
    int row = 1;
    for (auto _ : state) {
        view.SetRow(row, FileRow{row, "sec1/p000123.html", 16384, 0, FileState::Initiated, {}});
        for (int chunk = 1; chunk <= 4; ++chunk) {
            view.ChangeRow(row, [chunk](FileRow& r) {
                r.Transferred = chunk * 4096;
                r.State = FileState::Transferring;
            });
        }
        view.ChangeRow(row, [](FileRow& r) { r.State = FileState::Complete; });
        row = row + 1 < view.GridRowCount() ? row + 1 : 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GridRowUpdate)->Arg(1000)->Arg(50000);

}  // namespace

BENCHMARK_MAIN();
