#include "net/HttpClient.h"

#include "core/Addresses.h"
#include "core/Text.h"

UrlParts SplitURL(std::string_view url) {
    UrlParts parts;
    std::string_view rest = url;
    if (auto p = url.find("://"); p != std::string_view::npos) {
        parts.Protocol = std::string(url.substr(0, p));
        rest = url.substr(p + 3);
    } else if (StartsWithText(url, "mailto:")) {
        parts.Protocol = "mailto";
        rest = url.substr(url.find(':') + 1);
    }

    std::string_view authority = rest;
    if (auto slash = rest.find('/'); slash != std::string_view::npos) {
        parts.Path = std::string(rest.substr(slash));
        authority = rest.substr(0, slash);
    }

    auto at = authority.rfind('@');
    auto colon = authority.rfind(':');
    std::string_view user;
    if (colon != std::string_view::npos && (at == std::string_view::npos || colon > at)) {
        parts.Port = std::string(authority.substr(colon + 1));
        std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
        parts.Host = std::string(authority.substr(hostStart, colon - hostStart));
        if (at != std::string_view::npos) user = authority.substr(0, at);
    } else if (at != std::string_view::npos) {
        parts.Host = std::string(authority.substr(at + 1));
        user = authority.substr(0, at);
    } else {
        parts.Host = std::string(authority);
    }

    if (auto c = user.find(':'); c != std::string_view::npos) {
        parts.User = std::string(user.substr(0, c));
        parts.Password = std::string(user.substr(c + 1));
    } else {
        parts.User = std::string(user);
    }
    return parts;
}

std::string Base64Encode(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                          std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                          std::uint8_t(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (std::size_t left = bytes.size() - i; left > 0) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (left == 2) v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += left == 2 ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

namespace {

std::uint16_t ToPort(const std::string& text) {
    std::int64_t value = StrToInt(text);
    if (value < 0 || value > 65535)
        throw ConvertError("'" + text + "' is not a valid port number");
    return static_cast<std::uint16_t>(value);
}

bool IsStatusLine(const std::string& line) {
    return line.compare(0, 8, "HTTP/1.0") == 0 || line.compare(0, 8, "HTTP/1.1") == 0;
}

// "HTTP/1.1 404 Not Found": the code from the tenth character, the text from the fourteenth.
void ParseStatusLine(const std::string& line, int& code, std::string& text) {
    code = static_cast<int>(StrToInt(line.size() > 9 ? line.substr(9, 3) : std::string()));
    text = line.size() > 13 ? line.substr(13) : std::string();
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where "://" follows a scheme at the start (a letter, then letters, digits, '+', '-', '.'), or
// npos.
std::size_t SchemeEnd(std::string_view address) {
    const std::size_t colon = address.find("://");
    if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(address[0]))
        return std::string_view::npos;
    for (const char c : address.substr(1, colon - 1))
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return std::string_view::npos;
    return colon;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

HttpClient::HttpClient() : ContentTypePost("application/x-www-form-urlencoded") {}

void HttpClient::SetBasicCredentials(const std::string& user, const std::string& password) {
    AuthorizationValue = "Basic " + Base64Encode(user + ":" + password);
}

void HttpClient::AimAt(const std::string& address) {
    const std::string url = RequestTarget(address);
    UrlParts parts = SplitURL(url);
    bool secure = SameText(parts.Protocol, "https");
    target_.Secure = secure;
    target_.Host = LowerCase(parts.Host);
    target_.Port = parts.Port.empty() ? (secure ? 443 : 80) : ToPort(parts.Port);
    targetPath_ = parts.Path.empty() ? "/" : parts.Path;

    if (Proxy.empty()) {
        HostName = parts.Host;
        Port = target_.Port;
        UseTls = secure;
        tunnel_ = false;
        RequestPath = targetPath_;
        return;
    }
    HostName = proxyHost_;
    Port = proxyPort_;
    UseTls = false;
    tunnel_ = secure;
    // Inside a tunnel the request speaks to the site itself, so it names the path only; a plain
    // proxy needs the whole address.
    if (secure)
        RequestPath = targetPath_;
    else
        RequestPath = parts.Protocol.empty() ? "http://" + url : url;
}

std::string HttpClient::ResolveLocation(const std::string& value) const {
    if (const std::size_t end = SchemeEnd(value); end != std::string::npos) {
        const std::string_view scheme = std::string_view(value).substr(0, end);
        if (!SameText(scheme, "http") && !SameText(scheme, "https"))
            throw ConvertError("The new location '" + value + "' is not an http or https address");
        return value;
    }
    std::string scheme = target_.Secure ? "https" : "http";
    if (value.compare(0, 2, "//") == 0) return scheme + ":" + value;
    std::string site = scheme + "://" + target_.Host;
    if (target_.Port != (target_.Secure ? 443 : 80)) {
        site += ':';
        site += std::to_string(target_.Port);
    }
    if (!value.empty() && value[0] == '/') return site + value;
    std::string directory = targetPath_.substr(0, targetPath_.find_first_of("?#"));
    directory = directory.substr(0, directory.rfind('/') + 1);
    return site + directory + value;
}

void HttpClient::Execute() {
    if (!Proxy.empty()) {
        UrlParts proxy = SplitURL(Proxy);
        proxyHost_ = proxy.Host;
        proxyPort_ = ToPort(proxy.Port.empty() ? "8080" : proxy.Port);
    }
    AimAt(URL);
    credentialsFor_ = target_;
    try {
        RequestHead();
    } catch (const ProtocolError& e) {
        // A server that does not do HEAD can still answer the GET.
        if (e.ErrorNumber != 405 && e.ErrorNumber != 501) throw;
    }
    RequestGet();
}

void HttpClient::WriteRequest(const std::string& method, const std::string& version) {
    SendLine(method + " " + RequestPath + " HTTP/" + version);
    if (!Sender.empty()) SendLine("From: " + Sender);
    if (!Reference.empty()) SendLine("Referer: " + Reference);
    if (!Agent.empty()) SendLine("User-Agent: " + Agent);
    if (NoCache) SendLine("Pragma: no-cache");
    if (method == "POST") {
        SendLine("Content-Length: " + std::to_string(Body.Size()));
        if (!ContentTypePost.empty()) SendLine("Content-Type: " + ContentTypePost);
    }
    // The credentials belong to the site they were given for; a new location elsewhere
    // does not get them.
    if (!AuthorizationValue.empty() && target_ == credentialsFor_) {
        SendText(SocketHandle, "Authorization: " + AuthorizationValue + "\r\n");
        Trace("Authorization: *****", TraceSent);
    }
    SendText(SocketHandle, "\r\n");
}

void HttpClient::ReadReplyHeader() {
    AuthChallenges.clear();
    ContentType.clear();
    ContentSize = 0;
    std::size_t headerBytes = 0;
    for (;;) {
        std::string line = ReceiveLine(SocketHandle);
        if (line.empty()) break;  // end of the header, or of the connection
        headerBytes += line.size() + 2;
        if (headerBytes > MaxHeaderBytes)
            throw TcpError("Reply header longer than " + std::to_string(MaxHeaderBytes) +
                              " bytes");
        Trace(line, TraceReceived);
        if (IsStatusLine(line)) {
            ParseStatusLine(line, StatusCode, StatusText);
            continue;
        }
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = LowerCase(line.substr(0, colon));
        std::string value = TrimBlanks(line.substr(colon + 1));
        if (name == "location")
            AimAt(ResolveLocation(value));
        else if (name == "content-length")
            ContentSize = StrToInt(value);
        else if (name == "content-type")
            ContentType = value;
        else if (name == "www-authenticate")
            AuthChallenges.push_back(value);
    }
    if (StatusCode >= 400)
        throw ProtocolError("HTTP", StatusCode,
                             StatusText.empty() ? std::to_string(StatusCode) : StatusText);
}

void HttpClient::Connect() {
    OpenConnection();
    if (!tunnel_) return;
    SendLine("CONNECT " + target_.Host + ":" + std::to_string(target_.Port) + " HTTP/1.0");
    SendText(SocketHandle, "\r\n");
    int code = 0;
    std::string text;
    std::size_t headerBytes = 0;
    for (;;) {
        std::string line = ReceiveLine(SocketHandle);
        if (line.empty()) break;
        headerBytes += line.size() + 2;
        if (headerBytes > MaxHeaderBytes)
            throw TcpError("Reply header longer than " + std::to_string(MaxHeaderBytes) +
                              " bytes");
        Trace(line, TraceReceived);
        if (IsStatusLine(line)) ParseStatusLine(line, code, text);
    }
    if (code != 200)
        throw ProtocolError("HTTP", code, text.empty() ? "The proxy refused the tunnel" : text);
    StartTls(target_.Host);
}

void HttpClient::RequestHead() {
    try {
        Connect();
        WriteRequest("HEAD", "1.0");
        ReadReplyHeader();
    } catch (...) {
        CloseConnection();
        throw;
    }
    CloseConnection();
}

void HttpClient::RequestGet() {
    try {
        Connect();
        WriteRequest("GET", "1.0");
        ReadReplyHeader();
        Body.Clear();
        while (!AtEnd(SocketHandle)) {
            std::size_t count = 0;
            ReceiveBlock(SocketHandle, ReceiveBuffer.data(), count, ReceiveBuffer.size());
            if (MaxBodyBytes >= 0 && Body.Size() + static_cast<std::int64_t>(count) > MaxBodyBytes)
                throw TcpError("Reply body larger than " + std::to_string(MaxBodyBytes) +
                                  " bytes");
            Body.Write(ReceiveBuffer.data(), count);
        }
        Body.SetPosition(0);
    } catch (...) {
        CloseConnection();
        throw;
    }
    CloseConnection();
}
