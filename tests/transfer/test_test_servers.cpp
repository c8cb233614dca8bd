// The loopback servers the end-to-end tests stand on, checked with plain blocking libcurl so
// that a fault in a fixture is not mistaken for one in the program.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/FtpServer.h"
#include "support/NginxServer.h"
#include "support/ScriptedServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace {

struct Fetched {
    CURLcode Result;
    long Status = 0;
    std::string Body;
};

size_t Append(char* data, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
}

Fetched Fetch(const std::string& url, const std::string& userPassword = "",
              const std::string& caFile = "") {
    Fetched f{};
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &f.Body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    if (!userPassword.empty()) curl_easy_setopt(curl, CURLOPT_USERPWD, userPassword.c_str());
    if (!caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
    f.Result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &f.Status);
    curl_easy_cleanup(curl);
    return f;
}

}  // namespace

TEST(TestServers, NginxServesPlainProtectedAndHttps) {
    TempFolder site;
    std::filesystem::create_directory(site.Path() / "private");
    WriteWholeFile(site.Text() + "index.html", "<html>home</html>");
    WriteWholeFile(site.Text() + "private/p.txt", "secret page");
    NginxServer web({.Root = site.Path(),
                     .AuthLocation = "/private/",
                     .AuthUser = "ann",
                     .AuthPassword = "pw1",
                     .AccessLog = true});
    NginxServer secure({.Root = site.Path(), .Https = true});

    struct Case {
        std::string Url, UserPassword, CaFile;
        CURLcode Result;
        long Status;
        std::string Body;
    } cases[] = {
        {web.Url("index.html"), "", "", CURLE_OK, 200, "<html>home</html>"},
        {web.Url("missing.html"), "", "", CURLE_OK, 404, ""},
        {web.Url("private/p.txt"), "", "", CURLE_OK, 401, ""},
        {web.Url("private/p.txt"), "ann:wrong", "", CURLE_OK, 401, ""},
        {web.Url("private/p.txt"), "ann:pw1", "", CURLE_OK, 200, "secret page"},
        {secure.Url("index.html"), "", secure.CaFile(), CURLE_OK, 200, "<html>home</html>"},
        {secure.Url("index.html"), "", "", CURLE_PEER_FAILED_VERIFICATION, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url + " " + c.UserPassword);
        Fetched f = Fetch(c.Url, c.UserPassword, c.CaFile);
        EXPECT_EQ(f.Result, c.Result) << curl_easy_strerror(f.Result);
        EXPECT_EQ(f.Status, c.Status);
        if (!c.Body.empty()) {
            EXPECT_EQ(f.Body, c.Body);
        }
    }
    EXPECT_NE(web.AccessLogText().find("\"GET /index.html HTTP/1.1\""), std::string::npos);
}

TEST(TestServers, FtpServesWithCredentialsAndCutsWhenAsked) {
    TempFolder root;
    const std::string payload(100000, 'z');
    WriteWholeFile(root.Text() + "a.zip", payload);
    FtpServer ftp({.Root = root.Path()});
    FtpServer cutting({.Root = root.Path(), .DropAfterBytes = 1000});

    Fetched ok = Fetch(ftp.Url("a.zip"), "lw:secret");
    EXPECT_EQ(ok.Result, CURLE_OK) << ftp.LogText();
    EXPECT_EQ(ok.Body, payload);
    EXPECT_EQ(Fetch(ftp.Url("a.zip"), "lw:wrong").Result, CURLE_LOGIN_DENIED);
    Fetched cut = Fetch(cutting.Url("a.zip"), "lw:secret");
    EXPECT_NE(cut.Result, CURLE_OK);
    EXPECT_LT(cut.Body.size(), payload.size());
}

TEST(TestServers, ScriptedServerFollowsItsScriptAndRecordsRequests) {
    using S = ScriptedServer;
    ScriptedServer server({
        {S::Read(), S::SendInChunks("HTTP/1.0 200 OK\r\n\r\nabcdefghij", 5, 5), S::Close()},
        {S::Read(), S::Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"), S::Close()},
    });
    Fetched first = Fetch(server.Url("one"));
    EXPECT_EQ(first.Result, CURLE_OK);
    EXPECT_EQ(first.Body, "abcdefghij");
    Fetched second = Fetch(server.Url("two"));
    EXPECT_EQ(second.Result, CURLE_PARTIAL_FILE);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /one HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(requests[1].rfind("GET /two HTTP/1.1\r\n", 0), 0u);
}
