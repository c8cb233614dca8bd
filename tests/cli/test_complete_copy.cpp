#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "mirror/PageReferences.h"
#include "support/NginxServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

// lanternway-get --complete on a fixture site with the constructs of today's sites, served by
// two nginx servers (the second one is another host for the first one's pages).
namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway-get";
const fs::path kFixture = fs::path(LW_TEST_DATA_DIR) / "complete_site";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// "%7E" -> "~" and so on: a reference's path as the file system holds it.
std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The requests of an access log ("<connection> <n> <status> GET /path HTTP/1.1"), counted.
std::map<std::string, int> RequestCounts(const std::string& log) {
    std::map<std::string, int> counts;
    std::istringstream lines(log);
    std::string line;
    const std::regex request(R"("(?:GET|HEAD) (\S+) HTTP)");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, request)) ++counts[m[1]];
    }
    return counts;
}

class CompleteCopyRun : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* part : {"site", "other"})
            fs::copy(kFixture / part, served_.Path() / part, fs::copy_options::recursive);
        other_ = std::make_unique<NginxServer>(
            NginxServer::Options{.Root = served_.Path() / "other", .AccessLog = true});
        const fs::path index = served_.Path() / "site" / "index.html";
        std::string page = ReadBytes(index);
        for (std::size_t at; (at = page.find("@OTHER@")) != std::string::npos;)
            page.replace(at, 7, other_->Url());
        WriteBytes(index, page);
        site_ = std::make_unique<NginxServer>(NginxServer::Options{
            .Root = served_.Path() / "site",
            .AccessLog = true,
            .ExtraServerConfig = "location = /about { default_type text/html; }"});
        sessionFile_ = (out_.Path() / "copy").string();
        std::string output;
        const int code = RunCommand({kProgram, "--complete", "--quiet", site_->Url(), sessionFile_},
                                    &output);
        ASSERT_EQ(code, 0) << output;
        project_ = out_.Path() / "copy";
    }

    // Every file of the copy that the served fixture holds, by its bytes.
    std::set<std::string> ServedBytes() const {
        std::set<std::string> bytes;
        for (const auto& entry : fs::recursive_directory_iterator(served_.Path()))
            if (entry.is_regular_file()) bytes.insert(ReadBytes(entry.path()));
        return bytes;
    }

    TempFolder served_;
    TempFolder out_;
    std::unique_ptr<NginxServer> other_;
    std::unique_ptr<NginxServer> site_;
    std::string sessionFile_;
    fs::path project_;
};

TEST_F(CompleteCopyRun, RetrievesEachPageAndRequisiteOnce) {
    const std::map<std::string, int> site = RequestCounts(site_->AccessLogText());
    for (const char* path :
         {"/", "/index.html", "/docs/a/page.html", "/docs/b/page.html", "/list.html?page=2",
          "/list.html?page=3&sort=name", "/about", "/css/main.css", "/css/base.css",
          "/css/fonts.css", "/fonts/fixture.woff2", "/img/logo.png", "/img/logo-2x.png",
          "/img/bg.png"}) {
        const auto it = site.find(path);
        EXPECT_TRUE(it != site.end() && it->second == 1)
            << path << " requested " << (it == site.end() ? 0 : it->second) << " times";
    }
    // Markup inside a comment or a script's text is not a reference.
    EXPECT_EQ(site.count("/commented.html"), 0u);
    EXPECT_EQ(site.count("/img/not-an-image.png"), 0u);

    const std::map<std::string, int> other = RequestCounts(other_->AccessLogText());
    EXPECT_EQ(other.count("/lib/util.js") ? other.at("/lib/util.js") : 0, 1);
    // A page of another site is not followed, only a requisite is.
    EXPECT_EQ(other.count("/elsewhere.html"), 0u);
}

TEST_F(CompleteCopyRun, EveryLocalReferenceResolvesToAServedFile) {
    const std::set<std::string> served = ServedBytes();
    const std::string localOrigin = "http://copy.invalid/";
    int pages = 0;
    int localReferences = 0;
    std::set<std::string> referencedFiles;
    for (const auto& entry : fs::recursive_directory_iterator(project_)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        const bool page = name.ends_with(".html");
        const bool sheet = name.ends_with(".css");
        if (!page && !sheet) continue;
        ++pages;
        const std::string local = fs::relative(entry.path(), project_).generic_string();
        const std::string text = ReadBytes(entry.path());
        EXPECT_EQ(text.find(" integrity="), std::string::npos) << local;
        EXPECT_EQ(text.find("* "), std::string::npos) << local;
        const auto refs = page ? mirror::ExtractPageReferences(text, localOrigin + local)
                               : mirror::ExtractStyleSheetReferences(text, localOrigin + local);
        for (const mirror::Reference& ref : refs.references) {
            if (ref.address.rfind(localOrigin, 0) != 0) {
                // Online still: only what was not retrieved.
                EXPECT_NE(ref.address.rfind(site_->Url(), 0), 0u) << local << ": " << ref.written;
                EXPECT_NE(ref.address, other_->Url("lib/util.js")) << local;
                continue;
            }
            ++localReferences;
            const fs::path target =
                project_ / PercentDecoded(ref.address.substr(localOrigin.size()));
            ASSERT_TRUE(fs::is_regular_file(target)) << local << ": " << ref.written;
            referencedFiles.insert(fs::relative(target, project_).generic_string());
            const std::string targetName = target.filename().string();
            if (!targetName.ends_with(".html") && !targetName.ends_with(".css")) {
                EXPECT_TRUE(served.count(ReadBytes(target))) << local << ": " << ref.written;
            }
        }
    }
    EXPECT_EQ(pages, 10);  // seven pages (two of them "/" and "/index.html"), three sheets
    EXPECT_GE(localReferences, 25);
    // Two pages of one name in two folders stay two files, each with its own text.
    EXPECT_NE(ReadBytes(project_ / "docs/a/page.html").find("guide a"), std::string::npos);
    EXPECT_NE(ReadBytes(project_ / "docs/b/page.html").find("guide b"), std::string::npos);
    EXPECT_TRUE(referencedFiles.count("fonts/fixture.woff2"));
    EXPECT_TRUE(referencedFiles.count("img/logo-2x.png"));
    EXPECT_EQ(ReadBytes(project_ / "_hosts/http" / ("127.0.0.1@" + std::to_string(other_->Port())) /
                        "lib/util.js"),
              ReadBytes(served_.Path() / "other/lib/util.js"));
}

TEST_F(CompleteCopyRun, ShowPrintsTheMode) {
    std::string output;
    ASSERT_EQ(RunCommand({kProgram, "--show", (project_ / "copy.lwa").string()}, &output), 0)
        << output;
    EXPECT_NE(output.find("\nComplete copy\n" + site_->Url() + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("docs/b/page.html"), std::string::npos);
}

}  // namespace
