// Micro benchmarks of the complete copy's page work, beside the classic link scanner on the
// same pages: the HTML tokenizer alone, the extraction of references (tokenizer, srcset, CSS,
// address resolution), the conversion of a page from its references, and the local path of an
// address. Two kinds of page: the benchmark site's old-style HTML (as bench/gensite writes it)
// and a page of today's kind (head full of style sheets, scripts and icons, srcset pictures,
// inline styles and a large script).

#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

#include "core/Addresses.h"
#include "core/ExtractLinks.h"
#include "mirror/HtmlTokenizer.h"
#include "mirror/MirrorLayout.h"
#include "mirror/PageConversion.h"
#include "mirror/PageReferences.h"

namespace {

const char kWords[] =
    "lantern harbour quiet river stone morning paper window garden signal copper bridge ";

// About 9 KB, ten links and three pictures: the generated site's pages.
std::string SitePage(int seed) {
    std::string page =
        "<HTML>\r\n<HEAD><TITLE>Page</TITLE></HEAD>\r\n<BODY BGCOLOR=\"#FFFFFF\">\r\n";
    page += "<H1>Page " + std::to_string(seed) + "</H1>\r\n";
    for (int p = 0; p < 22; ++p) {
        page += "<P>";
        for (int w = 0; w < 3; ++w) page += kWords;
        page += "lantern harbour quiet river ";
        if (p < 10)
            page += "<A HREF=\"/sec" + std::to_string(p % 9 + 1) + "/p" +
                    std::to_string(seed * 100 + p) + ".html\">more</A> ";
        if (p < 3)
            page += "<IMG SRC=\"/images/i" + std::to_string(seed * 100 + p) +
                    ".gif\" ALT=\"picture\" WIDTH=64> ";
        page += "</P>\r\n";
    }
    return page + "</BODY>\r\n</HTML>\r\n";
}

// About 40 KB of a page of today's kind.
std::string ModernPage(int seed) {
    const std::string n = std::to_string(seed);
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Article " +
        n +
        " &mdash; Site</title>\n"
        "<link rel=\"stylesheet\" href=\"/assets/css/main.css?v=3\">\n"
        "<link rel=\"stylesheet\" href=\"https://cdn.example/lib/theme.min.css\" "
        "integrity=\"sha384-abcdef\" crossorigin=\"anonymous\">\n"
        "<link rel=\"icon\" href=\"/favicon.ico\"><link rel=\"apple-touch-icon\" "
        "href=\"/touch.png\">\n"
        "<link rel=\"preload\" as=\"font\" href=\"/fonts/body.woff2\" crossorigin>\n"
        "<link rel=\"canonical\" href=\"https://site.example/articles/" +
        n +
        "/\">\n"
        "<style>:root{--accent:#246} body{background:url(/img/paper.png)} "
        "@font-face{font-family:Body;src:url(/fonts/body.woff2) format('woff2')}</style>\n"
        "<script src=\"/assets/js/app.js\" defer></script>\n"
        "<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
        "\"@type\":\"Article\",\"headline\":\"Article " +
        n +
        "\"}</script>\n"
        "</head><body class=\"article\">\n<nav class=\"top\"><ul>\n";
    for (int k = 0; k < 40; ++k)
        page += "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/section/" +
                std::to_string(k) + "/\" title=\"Section " + std::to_string(k) + "\">Section " +
                std::to_string(k) + "</a></li>\n";
    page += "</ul></nav>\n<main><article>\n";
    for (int p = 0; p < 30; ++p) {
        page += "<p class=\"para\" data-index=\"" + std::to_string(p) + "\">";
        for (int w = 0; w < 6; ++w) page += kWords;
        page += "<a href=\"../related/" + std::to_string(seed * 30 + p) +
                ".html#top\" rel=\"noopener\">related</a> &amp; more.</p>\n";
        if (p % 5 == 0) {
            const std::string img = "/img/" + n + "-" + std::to_string(p);
            page +=
                "<figure><picture><source type=\"image/webp\" srcset=\"" + img +
                "-480.webp 480w, " + img + "-960.webp 960w\"><img src=\"" + img +
                ".jpg\" srcset=\"" + img + "-480.jpg 480w, " + img +
                "-960.jpg 960w\" sizes=\"(max-width: 600px) 480px, "
                "960px\" alt=\"Figure\" loading=\"lazy\" width=\"960\" height=\"540\"></picture>"
                "<figcaption style=\"background-image:url('/img/caption.png')\">Figure " +
                std::to_string(p) + "</figcaption></figure>\n";
        }
    }
    page += "</article></main>\n<script>\n";
    for (int k = 0; k < 60; ++k)
        page += "  document.querySelectorAll('.para')[" + std::to_string(k % 30) +
                "].addEventListener('click', function(e) { if (e.target.tagName < 'B') "
                "console.log('<a href=\"x\">'); });\n";
    page +=
        "</script>\n<footer><a href=\"/about/\">About</a> <a href=\"mailto:editor@site.example\">"
        "Mail</a></footer></body></html>\n";
    return page;
}

std::vector<std::string> Pages(bool modern) {
    std::vector<std::string> pages;
    for (int i = 0; i < 16; ++i) pages.push_back(modern ? ModernPage(i) : SitePage(i));
    return pages;
}

const char kPageAddress[] = "http://127.0.0.1:8080/sec1/p000001.html";

void BM_ClassicExtractLinks(benchmark::State& state) {
    const std::vector<std::string> pages = Pages(state.range(0) != 0);
    std::size_t bytes = 0, i = 0;
    for (auto _ : state) {
        SessionFields s;
        s.SiteBase = "http://127.0.0.1:8080/";
        s.ProjectFolder = "/nonexistent-bench/";
        s.Settings.SearchEntireSite = true;
        s.Settings.RetrieveImageFiles = true;
        ExtractLinks(pages[i], "http://127.0.0.1:8080/sec1/", s);
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ClassicExtractLinks)->ArgName("modern")->Arg(0)->Arg(1);

void BM_HtmlTokenizer(benchmark::State& state) {
    const std::vector<std::string> pages = Pages(state.range(0) != 0);
    std::size_t bytes = 0, i = 0;
    for (auto _ : state) {
        mirror::HtmlTokenizer tokenizer(pages[i]);
        std::size_t tokens = 0;
        while (tokenizer.Next()) ++tokens;
        benchmark::DoNotOptimize(tokens);
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_HtmlTokenizer)->ArgName("modern")->Arg(0)->Arg(1);

void BM_ExtractPageReferences(benchmark::State& state) {
    const std::vector<std::string> pages = Pages(state.range(0) != 0);
    std::size_t bytes = 0, i = 0, references = 0;
    for (auto _ : state) {
        const mirror::PageReferences found = mirror::ExtractPageReferences(pages[i], kPageAddress);
        references += found.references.size();
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["refs/page"] = benchmark::Counter(static_cast<double>(references) /
                                                     static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ExtractPageReferences)->ArgName("modern")->Arg(0)->Arg(1);

// The conversion from references extracted before, every file retrieved.
void BM_ConvertPageFromReferences(benchmark::State& state) {
    const std::vector<std::string> pages = Pages(state.range(0) != 0);
    const mirror::MirrorLayout layout("http://127.0.0.1:8080/");
    std::vector<mirror::PageReferences> found;
    for (const std::string& page : pages)
        found.push_back(mirror::ExtractPageReferences(page, kPageAddress));
    // The engine answers from a table of retrieved files; a path per address stands for it.
    const mirror::LocalPathLookup lookup =
        [](std::string_view address) -> std::optional<std::string> {
        const std::size_t path = address.find('/', address.find("://") + 3);
        return std::string(address.substr(path + 1));
    };
    std::size_t bytes = 0, i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            mirror::ConvertPage(pages[i], found[i], "sec1/p000001.html", lookup));
        bytes += pages[i].size();
        i = (i + 1) % pages.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ConvertPageFromReferences)->ArgName("modern")->Arg(0)->Arg(1);

void BM_MirrorLocalPath(benchmark::State& state) {
    const mirror::MirrorLayout layout("http://127.0.0.1:8080/");
    const std::vector<std::string> addresses = {
        "http://127.0.0.1:8080/sec3/p000123.html", "http://127.0.0.1:8080/images/i000042.gif",
        "http://127.0.0.1:8080/a.php?x=1&y=2", "https://cdn.example/lib/theme.min.css",
        "http://127.0.0.1:8080/sec1/"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(layout.LocalPath(addresses[i], "text/html"));
        i = (i + 1) % addresses.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MirrorLocalPath);

}  // namespace
