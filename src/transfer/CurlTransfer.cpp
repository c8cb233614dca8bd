#include "transfer/CurlTransfer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "core/Addresses.h"
#include "core/PartialFiles.h"
#include "transfer/TransferText.h"

// The header lines of one reply kept at most.
static constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
// libcurl's receive buffer for https transfers (see Configure).
static constexpr long kHttpsReceiveBuffer = 100 * 1024;

CurlTransfer::~CurlTransfer() {
    DiscardFile();
    if (RequestHeaders) curl_slist_free_all(RequestHeaders);
}

// --- The output file ---------------------------------------------------------------------------

bool CurlTransfer::OpenFile() {
    if (File) return true;
    // A device or a pipe is written as it is: a renamed file would take its place.
    struct stat existing {};
    const bool special = FileMayExist && ::lstat(FilePath.c_str(), &existing) == 0 &&
                         !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode);
    Kept = special;
    PartPath = special ? FilePath : NewPartialPath(FilePath);
    File = std::fopen(PartPath.c_str(), "wb");
    if (!File) {
        FileFailed = true;
        WriteError = "Cannot create file " + FilePath + ": " + std::strerror(errno);
        PartPath.clear();
        return false;
    }
    // Writes are batched already; the stream's own buffer would only copy them again.
    std::setvbuf(File, nullptr, _IONBF, 0);
    return true;
}

bool CurlTransfer::FlushToFile() {
    if (!File || Flushed == Pending.size()) return true;
    if (!WriteThrough(Pending.data() + Flushed, Pending.size() - Flushed)) return false;
    Flushed = Pending.size();
    return true;
}

bool CurlTransfer::WriteThrough(const char* data, std::size_t size) {
    if (std::fwrite(data, 1, size, File) == size) return true;
    FileFailed = true;
    WriteError = "Cannot write file " + FilePath + ": " + std::strerror(errno);
    return false;
}

void CurlTransfer::CloseFile() {
    if (File) std::fclose(File);
    File = nullptr;
}

bool CurlTransfer::KeepFile() {
    CloseFile();
    if (Kept || PartPath.empty()) return true;
    if (std::rename(PartPath.c_str(), FilePath.c_str()) != 0) {
        FileFailed = true;
        WriteError = "Cannot write file " + FilePath + ": " + std::strerror(errno);
        return false;
    }
    Kept = true;
    return true;
}

void CurlTransfer::DiscardFile() {
    CloseFile();
    KeepOnDelivery = false;
    if (PartPath.empty() || Kept) return;
    std::remove(PartPath.c_str());
    PartPath.clear();
}

// --- The request -------------------------------------------------------------------------------

void CurlTransfer::Configure(CURL* e) {
    curl_easy_setopt(e, CURLOPT_URL, RequestTarget(Url).c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, this);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, ErrorBuffer);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, IsFtp ? "ftp" : "http,https");
    // The worker decides what to do with a redirect.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    // Compressed bodies are unpacked here, as fast as their handlers take them (see
    // CurlNetwork): libcurl would unpack all it reads at once, a thousandfold for some.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, ReplyDecoder::AcceptedCodings);
    curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Lanternway/1.3");
    if (StartsWithNoCase(Url, "https:")) {
        // Several transfers to one https host should share one multiplexed connection rather
        // than each open its own while the first is still shaking hands.
        curl_easy_setopt(e, CURLOPT_PIPEWAIT, 1L);
        // With libcurl's default receive buffer (16 KB), a compressed HTTP/2 reply that arrives
        // whole in one TLS record can have its last bytes delivered a pass after the rest, and
        // its end then goes unnoticed until something else happens on the connection: with one
        // transfer at a time, nothing does, and the file fails after the stall time. The buffer
        // of libcurl's own command-line tool does not meet this.
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kHttpsReceiveBuffer);
    }
    // Only the session's proxy counts, never one from the environment.
    curl_easy_setopt(e, CURLOPT_PROXY, Proxy.c_str());

    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectMs));
    LastActivityMs = SteadyNowMs();
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    // A server that drips a byte now and then never trips the stall check, and would hold the
    // transfer (and a stop waiting for it) for ever. libcurl's speed check leaves out the time
    // a transfer is held back. Any limit also makes libcurl wake up every second, so that the
    // stall check runs while idle.
    const bool lowSpeedLimit = LowSpeedSeconds > 0 && LowSpeedBytes > 0;
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT,
                     static_cast<long>(lowSpeedLimit ? LowSpeedBytes : 1));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(lowSpeedLimit ? LowSpeedSeconds : StallSeconds));
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(StallSeconds));

    // Trust what OpenSSL programs trust when told so by the environment.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file)
        curl_easy_setopt(e, CURLOPT_CAINFO, file);
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir)
        curl_easy_setopt(e, CURLOPT_CAPATH, dir);

    if (!User.empty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, User.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, Password.c_str());
    }
    std::size_t at = 0;
    while (at < RequestHeaderText.size()) {
        std::size_t end = RequestHeaderText.find('\n', at);
        if (end == std::string::npos) end = RequestHeaderText.size();
        std::string line = TrimLineEnd(RequestHeaderText.substr(at, end - at));
        if (!line.empty()) RequestHeaders = curl_slist_append(RequestHeaders, line.c_str());
        at = end + 1;
    }
    if (RequestHeaders) curl_easy_setopt(e, CURLOPT_HTTPHEADER, RequestHeaders);
}

// --- The reply ---------------------------------------------------------------------------------

bool CurlTransfer::TakeHeaderLine(const char* data, std::size_t bytes, bool* replyStarts) {
    *replyStarts = false;
    const std::string_view line(data, bytes);
    const std::string_view text = LineWithoutEnd(line);
    if (IsFtp) {
        // The server's reply lines: keep the last one as the reply text.
        if (text.size() >= 3 && std::isdigit(static_cast<unsigned char>(text[0]))) {
            Status = std::atoi(std::string(text.substr(0, 3)).c_str());
            Reason = text.size() > 4 ? std::string(text.substr(4)) : std::string();
        }
        return true;
    }
    if (StartsWithNoCase(line, "http/")) {
        // A new status line: an interim (1xx) reply came before, or this is the first.
        HeadersDone = false;
        Headers.clear();
        Encoded = false;
        ContentEncoding.clear();
        Decoder.reset();
        const auto sp = text.find(' ');
        if (sp != std::string_view::npos) {
            Status = std::atoi(std::string(text.substr(sp + 1)).c_str());
            const auto sp2 = text.find(' ', sp + 1);
            Reason =
                sp2 == std::string_view::npos ? std::string() : std::string(text.substr(sp2 + 1));
        }
        return true;
    }
    if (HeadersDone) return true;  // trailers of a chunked body
    if (line == "\r\n" || line == "\n") {
        if (Status >= 100 && Status < 200) return true;
        HeadersDone = true;
        *replyStarts = true;
        return true;
    }
    if (Headers.size() + bytes > kMaxHeaderBytes) {
        // A header without end would grow the kept lines for as long as the server sends.
        WriteError = "Reply header longer than " + std::to_string(kMaxHeaderBytes) +
                     " bytes from " + Url;
        return false;
    }
    if (StartsWithNoCase(line, "content-encoding:")) {
        std::string_view value = LineWithoutEnd(line.substr(17));
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        if (!value.empty() && !StartsWithNoCase(value, "identity")) Encoded = true;
        if (!ContentEncoding.empty()) ContentEncoding += ',';
        ContentEncoding.append(value);
    }
    Headers.append(text).append("\r\n");
    return true;
}

bool CurlTransfer::TooSlow(CURLcode result) const {
    // libcurl says nothing else to tell its speed check from its other timeouts.
    return result == CURLE_OPERATION_TIMEDOUT && Connected &&
           std::strncmp(ErrorBuffer, "Operation too slow", 18) == 0;
}

void CurlTransfer::SetFailureText(CURLcode result) {
    if (!WriteError.empty()) {
        ErrorText = WriteError;
    } else if (Stalled) {
        ErrorText = "No data received for " + std::to_string(StallSeconds) + " seconds from " + Url;
    } else if (TooSlow(result)) {
        ErrorText = "Less than " + std::to_string(LowSpeedBytes) + " bytes a second for " +
                    std::to_string(LowSpeedSeconds) + " seconds from " + Url;
    } else if (result == CURLE_OUT_OF_MEMORY && !IsFtp && !HeadersDone) {
        // libcurl refuses a header line longer than its buffer with this code.
        ErrorText = "Reply header line longer than " + std::to_string(CURL_MAX_HTTP_HEADER) +
                    " bytes from " + Url;
    } else {
        ErrorText = TrimLineEnd(ErrorBuffer[0] ? ErrorBuffer : curl_easy_strerror(result));
    }
    // libcurl says "Couldn't connect to server" where the system said why ("Connection
    // refused", "No route to host"): the system's reason is the one a person can act on. Once
    // connected, libcurl's own text already says what went wrong, and the last system error
    // may be a later one (a reset after the refusal of an oversized header).
    if (OsErrno == 0 || Connected || !WriteError.empty() || Stalled) return;
    const std::string reason = std::generic_category().message(static_cast<int>(OsErrno));
    const std::string generic = curl_easy_strerror(result);
    if (ErrorText.size() > generic.size() &&
        ErrorText.compare(ErrorText.size() - generic.size(), generic.size(), generic) == 0)
        ErrorText.replace(ErrorText.size() - generic.size(), generic.size(), reason);
    else if (ErrorText.find(reason) == std::string::npos)
        ErrorText += " (" + reason + ")";
}

bool CurlTransfer::BrokeOff(CURLcode result) const {
    if (!Connected) return false;
    if (Stalled || TooSlow(result)) return true;
    switch (result) {
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_FTP_ACCEPT_TIMEOUT:
            return true;
        default:
            return false;
    }
}

bool CurlTransfer::FailedTransiently(CURLcode result) const {
    if (Received > 0 || !WriteError.empty()) return false;
    // An FTP server talks before the file comes; a 4xx reply is its "not now" (421: too many
    // connections, 425 and 426: no data connection, 450: file busy).
    if (IsFtp && Status >= 400 && Status < 500) return true;
    if (Status != 0 && !IsFtp) return false;
    if (Stalled) return true;
    switch (result) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return true;
        default:
            return false;
    }
}
