#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "net/HttpClient.h"
#include "support/ScriptedServer.h"

using S = ScriptedServer;

namespace {

using Traces = std::vector<std::pair<std::string, TraceLevel>>;

const std::string HeadOk = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
const std::string GetOk =
    "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Type: text/html\r\n\r\nhello";
const std::string Credentials = "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n";  // user:secret

struct Fetch {
    Fetch() {
        Http.ConnectTimeoutMs = 5000;
        Http.ReceiveTimeoutMs = 5000;
        Http.OnTrace = [this](const std::string& text, TraceLevel level) {
            if (level != TraceSocket) Seen.emplace_back(text, level);
        };
    }
    HttpClient Http;
    Traces Seen;
};

std::string WithPort(std::string text, std::uint16_t port) {
    for (auto p = text.find("{port}"); p != std::string::npos; p = text.find("{port}"))
        text.replace(p, 6, std::to_string(port));
    return text;
}

}  // namespace

TEST(SplitURL, Parts) {
    struct Case {
        const char* url;
        UrlParts expected;
    };
    const std::vector<Case> cases = {
        {"http://www.site.com/dir/a.html", {"http", "", "", "www.site.com", "", "/dir/a.html"}},
        {"https://user:pw@host:8443/p?q=1", {"https", "user", "pw", "host", "8443", "/p?q=1"}},
        {"host:81", {"", "", "", "host", "81", ""}},
        {"user@host", {"", "user", "", "host", "", ""}},
        {"ftp://a:b:c@host/", {"ftp", "a", "b:c", "host", "", "/"}},
        {"http://h:1@x/", {"http", "h", "1", "x", "", "/"}},
        {"http://host/a:b@c", {"http", "", "", "host", "", "/a:b@c"}},
        {"mailto:someone@example.org", {"mailto", "someone", "", "example.org", "", ""}},
        {"MAILTO:x@y", {"mailto", "x", "", "y", "", ""}},
        {"", {}},
    };
    for (const auto& c : cases) {
        UrlParts p = SplitURL(c.url);
        EXPECT_EQ(p.Protocol, c.expected.Protocol) << c.url;
        EXPECT_EQ(p.User, c.expected.User) << c.url;
        EXPECT_EQ(p.Password, c.expected.Password) << c.url;
        EXPECT_EQ(p.Host, c.expected.Host) << c.url;
        EXPECT_EQ(p.Port, c.expected.Port) << c.url;
        EXPECT_EQ(p.Path, c.expected.Path) << c.url;
    }
}

TEST(Base64, EncodesInFullOnOneLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {"fooba", "Zm9vYmE="},
        {"\xff\xfe", "//4="},
        // Longer than 45 bytes: encoders built for mail break the line here.
        {"a-rather-long-user-name@example.org:and a password that goes on and on",
         "YS1yYXRoZXItbG9uZy11c2VyLW5hbWVAZXhhbXBsZS5vcmc6YW5kIGEgcGFzc3dvcmQgdGhhdCBnb2VzIG9uIG"
         "FuZCBvbg=="},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(in), out) << in;

    HttpClient http;
    http.SetBasicCredentials("user", "secret");
    EXPECT_EQ(http.AuthorizationValue, "Basic dXNlcjpzZWNyZXQ=");
}

TEST(Http, RequestBytesDirectAndThroughProxy) {
    struct Case {
        const char* name;
        const char* url;
        bool viaProxy;
        bool credentials;
        const char* target;  // what the request lines carry after the method
    };
    const std::vector<Case> cases = {
        {"path", "http://127.0.0.1:{port}/dir/page.html?x=1", false, true, "/dir/page.html?x=1"},
        {"no credentials", "http://127.0.0.1:{port}/dir/page.html", false, false, "/dir/page.html"},
        {"host only", "http://127.0.0.1:{port}", false, true, "/"},
        {"no scheme", "127.0.0.1:{port}/a.html", false, false, "/a.html"},
        {"user in address is not sent", "http://bob:pw@127.0.0.1:{port}/x", false, false, "/x"},
        {"proxy", "http://site.example/a.html", true, true, "http://site.example/a.html"},
        {"proxy, no scheme", "site.example/a.html", true, false, "http://site.example/a.html"},
        {"proxy, host only", "http://site.example", true, false, "http://site.example"},
        {"space and non-ASCII", "http://127.0.0.1:{port}/a b/caf\xC3\xA9.html", false, true,
         "/a%20b/caf%C3%A9.html"},
        {"proxy, space", "http://site.example/a b.html", true, true,
         "http://site.example/a%20b.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({S::Reply(HeadOk), S::Reply(GetOk)});
        Fetch f;
        if (c.viaProxy) {
            f.Http.URL = c.url;
            f.Http.Proxy = WithPort("127.0.0.1:{port}", server.Port());
        } else {
            f.Http.URL = WithPort(c.url, server.Port());
        }
        if (c.credentials) f.Http.SetBasicCredentials("user", "secret");
        f.Http.Execute();

        std::string tail = (c.credentials ? Credentials : "") + "\r\n";
        const std::vector<std::string> expected = {
            "HEAD " + std::string(c.target) + " HTTP/1.0\r\n" + tail,
            "GET " + std::string(c.target) + " HTTP/1.0\r\n" + tail,
        };
        EXPECT_EQ(server.Requests(), expected);
        EXPECT_EQ(f.Http.Body.Data(), "hello");
        EXPECT_EQ(f.Http.Body.Position(), 0);
        EXPECT_EQ(f.Http.ContentSize, 5);
        EXPECT_EQ(f.Http.ContentType, "text/html");
        EXPECT_EQ(f.Http.StatusCode, 200);
        EXPECT_EQ(f.Http.StatusText, "OK");
        EXPECT_FALSE(f.Http.IsConnected);
    }
}

TEST(Http, DefaultPorts) {
    struct Case {
        const char* url;
        const char* proxy;
        const char* host;
        std::uint16_t port;
        bool tls;
    };
    // Nothing needs to answer: the connection target is set before connecting.
    const std::vector<Case> cases = {
        {"http://127.0.0.2/x", "", "127.0.0.2", 80, false},
        {"127.0.0.2", "", "127.0.0.2", 80, false},
        {"https://127.0.0.2/x", "", "127.0.0.2", 443, true},
        {"http://site.example/x", "127.0.0.2", "127.0.0.2", 8080, false},
        {"http://site.example/x", "127.0.0.2:3128", "127.0.0.2", 3128, false},
    };
    for (const auto& c : cases) {
        HttpClient http;
        http.ConnectTimeoutMs = http.ReceiveTimeoutMs = 1000;
        http.URL = c.url;
        http.Proxy = c.proxy;
        try {
            http.Execute();
        } catch (const std::exception&) {
        }
        EXPECT_EQ(http.HostName, c.host) << c.url << " " << c.proxy;
        EXPECT_EQ(http.Port, c.port) << c.url << " " << c.proxy;
        EXPECT_EQ(http.UseTls, c.tls) << c.url << " " << c.proxy;
    }
}

TEST(Http, BadPortAndLengthTextsAreConversionErrors) {
    ScriptedServer server({S::Reply("HTTP/1.0 200 OK\r\nContent-Length: abc\r\n\r\n")});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://127.0.0.1:8o/x", "'8o' is not a valid integer value"},
        {WithPort("http://127.0.0.1:{port}/x", server.Port()),
         "'abc' is not a valid integer value"},
    };
    for (const auto& [url, message] : cases) {
        HttpClient http;
        http.URL = url;
        try {
            http.Execute();
            ADD_FAILURE() << url;
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

TEST(Http, HeadLocationMovesTheGetAndCredentialsStayHome) {
    struct Case {
        const char* location;  // {port} is the other server's
        bool getAtOrigin;
        const char* getLine;
        bool credentials;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1:{port}/new/place.html", false, "GET /new/place.html HTTP/1.0", false},
        {"/moved.html", true, "GET /moved.html HTTP/1.0", true},
        {"sub/moved.html", true, "GET /dir/sub/moved.html HTTP/1.0", true},
        {"https://127.0.0.1:{port}/x", false, "", false},  // another scheme: not even reached
        // Not a scheme before "://": a relative location, escaped for the request line.
        {"x http://127.0.0.1:{port}/y", true, "GET /dir/x%20http://127.0.0.1:{port}/y HTTP/1.0",
         true},
        {"moved here.html", true, "GET /dir/moved%20here.html HTTP/1.0", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        const bool secure = std::string(c.location).rfind("https", 0) == 0;
        // For TLS the plain reply goes out at once, which ends the handshake.
        ScriptedServer elsewhere(
            {secure ? S::Script{S::Send(GetOk), S::Close()} : S::Reply(GetOk)});
        std::string location = WithPort(c.location, elsewhere.Port());
        ScriptedServer origin(
            {S::Reply("HTTP/1.1 301 Moved Permanently\r\nLocation: " + location + "\r\n\r\n"),
             S::Reply(GetOk)});
        Fetch f;
        f.Http.URL = WithPort("http://127.0.0.1:{port}/dir/start.html", origin.Port());
        f.Http.SetBasicCredentials("user", "secret");
        if (secure) {
            EXPECT_THROW(f.Http.Execute(), TcpError);
        } else {
            f.Http.Execute();
        }
        std::string get = WithPort(c.getLine, elsewhere.Port()) + "\r\n" +
                          (c.credentials ? Credentials : "") + "\r\n";
        auto atOrigin = origin.Requests();
        auto atOther = elsewhere.Requests();
        ASSERT_GE(atOrigin.size(), 1u);
        EXPECT_EQ(atOrigin[0], "HEAD /dir/start.html HTTP/1.0\r\n" + Credentials + "\r\n");
        if (secure) {
            // The TLS hello went to the other port; no request was made there.
            EXPECT_EQ(elsewhere.Connections(), 1);
            EXPECT_TRUE(atOther.empty());
        } else if (c.getAtOrigin) {
            EXPECT_EQ(atOrigin, (std::vector<std::string>{atOrigin[0], get}));
            EXPECT_TRUE(atOther.empty());
        } else {
            EXPECT_EQ(atOrigin.size(), 1u);
            EXPECT_EQ(atOther, std::vector<std::string>{get});
        }
        if (!secure) {
            EXPECT_EQ(f.Http.Body.Data(), "hello");
        }
    }
}

TEST(Http, NewLocationWithAnotherSchemeIsRefused) {
    ScriptedServer origin({S::Reply("HTTP/1.1 302 Found\r\nLocation: ftp://127.0.0.1/x\r\n\r\n")});
    HttpClient http;
    http.URL = WithPort("http://127.0.0.1:{port}/dir/start.html", origin.Port());
    try {
        http.Execute();
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(),
                     "The new location 'ftp://127.0.0.1/x' is not an http or https address");
    }
    EXPECT_EQ(origin.Requests().size(), 1u);  // the HEAD only
}

TEST(Http, FailureStatusRaisesAfterTheWholeHeader) {
    struct Case {
        const char* name;
        std::string headReply;
        std::string getReply;
        int code;
        const char* message;
        std::size_t requests;
    };
    const std::vector<Case> cases = {
        {"refused credentials",
         "HTTP/1.1 401 Authorization Required\r\nWWW-Authenticate: Basic realm=\"r\"\r\n"
         "WWW-Authenticate: Digest realm=\"r\"\r\n\r\n",
         GetOk, 401, "Authorization Required", 1},
        {"HTTP/1.1 error page", HeadOk,
         "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>", 404,
         "Not Found", 2},
        {"HTTP/1.0 error page", HeadOk, "HTTP/1.0 500 Internal Error\r\nX-A: b\r\n\r\noops", 500,
         "Internal Error", 2},
        {"no reason text", HeadOk, "HTTP/1.1 403\r\n\r\n", 403, "403", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({S::Reply(c.headReply), S::Reply(c.getReply)});
        Fetch f;
        f.Http.URL = WithPort("http://127.0.0.1:{port}/p.html", server.Port());
        f.Http.SetBasicCredentials("user", "wrong");
        try {
            f.Http.Execute();
            ADD_FAILURE() << "no error";
        } catch (const ProtocolError& e) {
            EXPECT_EQ(e.ErrorNumber, c.code);
            EXPECT_EQ(e.Protocol, "HTTP");
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(server.Requests().size(), c.requests);
        EXPECT_FALSE(f.Http.IsConnected);
        EXPECT_EQ(f.Http.SocketHandle, InvalidSocket);
    }
    // The challenges of the refusing reply are kept.
    ScriptedServer server({S::Reply(cases[0].headReply)});
    HttpClient http;
    http.URL = WithPort("http://127.0.0.1:{port}/p.html", server.Port());
    EXPECT_THROW(http.Execute(), ProtocolError);
    EXPECT_EQ(http.AuthChallenges,
              (std::vector<std::string>{"Basic realm=\"r\"", "Digest realm=\"r\""}));
}

TEST(Http, ServerWithoutHeadStillGetsTheGet) {
    for (const char* status : {"405 Not Allowed", "501 Not Implemented"}) {
        ScriptedServer server(
            {S::Reply("HTTP/1.1 " + std::string(status) + "\r\n\r\n"), S::Reply(GetOk)});
        Fetch f;
        f.Http.URL = WithPort("http://127.0.0.1:{port}/p.html", server.Port());
        f.Http.Execute();
        EXPECT_EQ(f.Http.Body.Data(), "hello") << status;
        EXPECT_EQ(server.Requests().size(), 2u) << status;
    }
}

TEST(Http, HeaderLinesMatchInAnyCaseAndNeverReachTheBody) {
    struct Case {
        const char* name;
        std::string header;  // after the status line, up to the empty line
        std::int64_t size;
        const char* type;
    };
    const std::vector<Case> cases = {
        {"upper case", "CONTENT-LENGTH: 12\r\nCONTENT-TYPE: text/plain\r\n", 12, "text/plain"},
        {"no blank after colon", "content-length:12\r\ncontent-type:text/plain\r\n", 12,
         "text/plain"},
        {"line without colon", "Just some words\r\nContent-Type: image/gif\r\n", 0, "image/gif"},
        {"LF alone and a CR inside a line", "Content-Type: text/\rhtml\nContent-Length: 7\n", 7,
         "text/html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string get = "HTTP/1.0 200 OK\r\n" + c.header + "\r\nthe body";
        ScriptedServer server(
            {S::Reply(HeadOk),
             {S::Read(), S::SendInChunks(get, int(get.size() / 3), 1), S::Close()}});
        Fetch f;
        f.Http.URL = WithPort("http://127.0.0.1:{port}/p.html", server.Port());
        f.Http.Execute();
        EXPECT_EQ(f.Http.ContentSize, c.size);
        EXPECT_EQ(f.Http.ContentType, c.type);
        EXPECT_EQ(f.Http.Body.Data(), "the body");
    }
}

TEST(Http, TraceShowsProtocolLinesAndHidesCredentials) {
    ScriptedServer server({S::Reply(HeadOk), S::Reply(GetOk)});
    Fetch f;
    f.Http.URL = WithPort("http://127.0.0.1:{port}/t.html", server.Port());
    f.Http.SetBasicCredentials("user", "secret");
    f.Http.Execute();
    const Traces expected = {
        {"HEAD /t.html HTTP/1.0", TraceSent},       {"Authorization: *****", TraceSent},
        {"HTTP/1.1 200 OK", TraceReceived},         {"Content-Length: 5", TraceReceived},
        {"GET /t.html HTTP/1.0", TraceSent},        {"Authorization: *****", TraceSent},
        {"HTTP/1.1 200 OK", TraceReceived},         {"Content-Length: 5", TraceReceived},
        {"Content-Type: text/html", TraceReceived},
    };
    EXPECT_EQ(f.Seen, expected);
}

TEST(Http, HttpsThroughProxyAsksForTunnelWithoutCredentials) {
    ScriptedServer server({S::Reply("HTTP/1.0 403 Forbidden\r\n\r\n")});
    Fetch f;
    f.Http.URL = "https://site.example/secure.html";
    f.Http.Proxy = WithPort("127.0.0.1:{port}", server.Port());
    f.Http.SetBasicCredentials("user", "secret");
    try {
        f.Http.Execute();
        FAIL() << "no error";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.ErrorNumber, 403);
        EXPECT_STREQ(e.what(), "Forbidden");
    }
    EXPECT_EQ(server.Requests(),
              std::vector<std::string>{"CONNECT site.example:443 HTTP/1.0\r\n\r\n"});
}

TEST(Http, TlsFailureCarriesTheReason) {
    // A plain-text server where TLS is expected.
    ScriptedServer server({{S::Send("HTTP/1.0 200 OK\r\n\r\nplain text"), S::Close()}});
    HttpClient http;
    http.URL = WithPort("https://127.0.0.1:{port}/", server.Port());
    try {
        http.Execute();
        FAIL() << "no error";
    } catch (const ProtocolError&) {
        FAIL() << "read a reply without TLS";
    } catch (const TcpError& e) {
        std::string prefix = "Secure connection to 127.0.0.1 failed: ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), prefix.size() + 3) << e.what();
    }
    EXPECT_EQ(http.SocketHandle, InvalidSocket);
}
