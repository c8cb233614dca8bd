#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/TcpConnection.h"

// The parts of an address, as texts; each is empty when the address names none.
struct UrlParts {
    std::string Protocol;
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;  // from the first "/" on, query included
};
UrlParts SplitURL(std::string_view url);

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(std::string_view bytes);

// A small HTTP/1.0 client: Execute sends HEAD and then GET for URL, each on its own connection,
// follows a new location announced by the HEAD reply, and leaves the GET reply's body in Body.
// https addresses are fetched over TLS (through a proxy by a CONNECT tunnel).
class HttpClient : public TcpConnection {
  public:
    HttpClient();

    std::string URL;
    std::string Proxy;  // "host" or "host:port" (port 8080 when none); empty: direct
    std::string Sender;
    std::string Agent;
    std::string Reference;
    bool NoCache = false;
    std::string ContentTypePost;

    std::string RequestPath;
    int StatusCode = 0;  // of the last recognised status line; kept between replies
    std::string StatusText;
    std::int64_t ContentSize = 0;
    std::string ContentType;
    std::vector<std::string> AuthChallenges;
    std::string AuthorizationValue;

    // A reply's header lines together may not exceed this many bytes: a server that never ends
    // its header would otherwise grow memory for as long as it sends.
    std::size_t MaxHeaderBytes = 256 * 1024;
    // The largest body the GET keeps in Body; a larger one is an error. Negative: no limit.
    std::int64_t MaxBodyBytes = -1;

    void SetBasicCredentials(const std::string& user, const std::string& password);
    void Execute() override;
    void WriteRequest(const std::string& method, const std::string& version);
    // Reads the status line and header lines up to the empty line that ends them. A status of
    // 400 or more then raises ProtocolError with the status text.
    void ReadReplyHeader();
    void RequestHead();
    void RequestGet();

  private:
    struct Origin {
        bool Secure = false;
        std::string Host;  // lower case
        std::uint16_t Port = 0;
        bool operator==(const Origin&) const = default;
    };

    // Points the next request at an absolute address: connection, TLS and RequestPath (with
    // white space, controls and bytes outside ASCII percent-encoded).
    void AimAt(const std::string& address);
    // The absolute address a Location value names, relative to the current target; a value
    // with another scheme than http or https raises ConvertError.
    std::string ResolveLocation(const std::string& value) const;
    // Opens the connection for the next request; through a proxy to an https site, asks the
    // proxy for a tunnel first and starts TLS inside it.
    void Connect();

    Origin target_;           // where the next request goes
    std::string targetPath_;  // its path
    Origin credentialsFor_;   // the site the credentials were given for: the address of URL
    bool tunnel_ = false;
    std::string proxyHost_;
    std::uint16_t proxyPort_ = 0;
};
