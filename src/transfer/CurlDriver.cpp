#include "transfer/CurlDriver.h"

#include <sys/stat.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "core/PartialFiles.h"
#include "transfer/TransferProgress.h"

namespace {

// Bytes kept in memory before they go to the file even though their data event has not been
// delivered yet (a handler busy in a nested loop, a fast local server).
constexpr std::size_t kFlushThreshold = 1 << 20;
constexpr std::size_t kPooledHandles = 32;
// Receive buffers kept for the next transfers, and the largest kept: a site's files are mostly
// small, and a buffer that has grown to a file's size would otherwise be given back and grown
// again for every file.
constexpr std::size_t kPooledBuffers = 16;
constexpr std::size_t kPooledBufferBytes = 256 * 1024;
// The header lines of one reply kept at most.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string TrimEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// A failure after the connection was up in which the peer went away or fell silent, as
// opposed to a refusal (no such file, login denied) or a local fault.
bool IsBrokenConnection(CURLcode result) {
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

}  // namespace

// ---------------------------------------------------------------------------------------------

CurlTransfer::~CurlTransfer() {
    DiscardFile();
    if (RequestHeaders) curl_slist_free_all(RequestHeaders);
}

bool CurlTransfer::OpenFile() {
    if (File) return true;
    // A device or a pipe is written as it is: a renamed file would take its place.
    struct stat existing {};
    const bool special = ::lstat(FilePath.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
                         !S_ISLNK(existing.st_mode);
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
    const std::size_t size = Pending.size() - Flushed;
    if (std::fwrite(Pending.data() + Flushed, 1, size, File) != size) {
        FileFailed = true;
        WriteError = "Cannot write file " + FilePath + ": " + std::strerror(errno);
        return false;
    }
    Flushed = Pending.size();
    return true;
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
    if (Kept || PartPath.empty()) return;
    std::remove(PartPath.c_str());
    PartPath.clear();
}

// ---------------------------------------------------------------------------------------------

struct CurlDriver::SocketWatch {
    QSocketNotifier* Read = nullptr;
    QSocketNotifier* Write = nullptr;
};

CurlDriver& CurlDriver::Instance() {
    // Lives as long as the process: controls may be destroyed after the application object.
    static CurlDriver* driver = new CurlDriver;
    return *driver;
}

CurlDriver::CurlDriver() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlDriver::OnSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlDriver::OnTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Drive(CURL_SOCKET_TIMEOUT, 0); });
    deliveryTimer_.setSingleShot(true);
    deliveryTimer_.setInterval(0);
    connect(&deliveryTimer_, &QTimer::timeout, this, &CurlDriver::Deliver);
    // When an FTP server answers the passive-mode command at once, libcurl (7.88) can end its
    // do-phase without a socket to wait on or a timer for the data connection, and sits there
    // until the connect timeout. A periodic full pass over the handles moves it on.
    ftpKick_.setInterval(50);
    connect(&ftpKick_, &QTimer::timeout, this, [this] {
        int running = 0;
        CURLMcode rc = curl_multi_perform(multi_, &running);
        if (rc != CURLM_OK) qWarning("curl_multi_perform: %s", curl_multi_strerror(rc));
        DrainMessages();
        Deliver();
    });
}

CurlDriver::~CurlDriver() {
    for (CURL* easy : pool_) curl_easy_cleanup(easy);
    curl_multi_cleanup(multi_);
}

// --- libcurl's callbacks: record only ---------------------------------------------------------

int CurlDriver::OnSocket(CURL*, curl_socket_t s, int what, void* driverPtr, void* watchPtr) {
    auto* driver = static_cast<CurlDriver*>(driverPtr);
    auto* watch = static_cast<SocketWatch*>(watchPtr);
    if (what == CURL_POLL_REMOVE) {
        if (watch) {
            // We may be inside one of these notifiers' own signal.
            for (QSocketNotifier* n : {watch->Read, watch->Write}) {
                if (!n) continue;
                n->setEnabled(false);
                n->deleteLater();
            }
            delete watch;
            curl_multi_assign(driver->multi_, s, nullptr);
        }
        return 0;
    }
    if (!watch) {
        watch = new SocketWatch;
        curl_multi_assign(driver->multi_, s, watch);
    }
    auto make = [&](QSocketNotifier::Type type, int mask) {
        auto* n = new QSocketNotifier(static_cast<qintptr>(s), type, driver);
        connect(n, &QSocketNotifier::activated, driver,
                [driver, s, mask] { driver->Drive(s, mask); });
        return n;
    };
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (wantRead && !watch->Read) watch->Read = make(QSocketNotifier::Read, CURL_CSELECT_IN);
    if (wantWrite && !watch->Write) watch->Write = make(QSocketNotifier::Write, CURL_CSELECT_OUT);
    if (watch->Read) watch->Read->setEnabled(wantRead);
    if (watch->Write) watch->Write->setEnabled(wantWrite);
    return 0;
}

int CurlDriver::OnTimer(CURLM*, long timeoutMs, void* driverPtr) {
    auto* driver = static_cast<CurlDriver*>(driverPtr);
    if (timeoutMs < 0)
        driver->timer_.stop();
    else
        driver->timer_.start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

size_t CurlDriver::OnWrite(char* data, size_t size, size_t count, void* transferPtr) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::size_t bytes = size * count;
    CurlDriver& driver = Instance();
    auto self = t->shared_from_this();
    if (!t->Begun) {
        // FTP has no header block; an HTTP reply always has, but be safe.
        if (!t->OpenFile()) return 0;
        t->Begun = true;
        curl_off_t length = -1;
        curl_easy_getinfo(t->Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        t->Announced = t->Encoded ? -1 : length;
        if (t->IsFtp) driver.Queue(self, EventKind::State, TransferState::ReplyReceived);
        driver.Queue(self, EventKind::Doc, TransferProgress::Begin);
    }
    t->Pending.append(data, bytes);
    t->Received += static_cast<std::int64_t>(bytes);
    if (!t->DataQueued) {
        t->DataQueued = true;
        driver.Queue(self, EventKind::Doc, TransferProgress::Data);
    }
    if (t->Pending.size() - t->Flushed >= kFlushThreshold && !t->FlushToFile()) return 0;
    return bytes;
}

size_t CurlDriver::OnHeader(char* data, size_t size, size_t count, void* transferPtr) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::size_t bytes = size * count;
    std::string line(data, bytes);
    if (t->IsFtp) {
        // The server's reply lines: keep the last one as the reply text.
        std::string text = TrimEnd(line);
        if (text.size() >= 3 && std::isdigit(static_cast<unsigned char>(text[0]))) {
            t->Status = std::atoi(text.substr(0, 3).c_str());
            t->Reason = text.size() > 4 ? text.substr(4) : std::string();
        }
        return bytes;
    }
    if (StartsWithNoCase(line, "http/")) {
        // A new status line: an interim (1xx) reply came before, or this is the first.
        t->HeadersDone = false;
        t->Headers.clear();
        t->Encoded = false;
        std::string text = TrimEnd(line);
        auto sp = text.find(' ');
        if (sp != std::string::npos) {
            t->Status = std::atoi(text.c_str() + sp + 1);
            auto sp2 = text.find(' ', sp + 1);
            t->Reason = sp2 == std::string::npos ? std::string() : text.substr(sp2 + 1);
        }
        return bytes;
    }
    if (t->HeadersDone) return bytes;  // trailers of a chunked body
    if (line == "\r\n" || line == "\n") {
        if (t->Status >= 100 && t->Status < 200) return bytes;
        if (!t->OpenFile()) return 0;
        t->HeadersDone = true;
        t->Begun = true;
        curl_off_t length = -1;
        curl_easy_getinfo(t->Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        t->Announced = t->Encoded ? -1 : length;
        CurlDriver& driver = Instance();
        auto self = t->shared_from_this();
        driver.Queue(self, EventKind::State, TransferState::ReplyReceived);
        driver.Queue(self, EventKind::Doc, TransferProgress::Begin);
        driver.Queue(self, EventKind::Doc, TransferProgress::Headers);
        return bytes;
    }
    if (t->Headers.size() + bytes > kMaxHeaderBytes) {
        // A header without end would grow the kept lines for as long as the server sends.
        t->WriteError = "Reply header longer than " + std::to_string(kMaxHeaderBytes) +
                        " bytes from " + t->Url;
        return 0;
    }
    if (StartsWithNoCase(line, "content-encoding:")) {
        std::string value = TrimEnd(line.substr(17));
        value.erase(0, value.find_first_not_of(" \t"));
        if (!value.empty() && !StartsWithNoCase(value, "identity")) t->Encoded = true;
    }
    t->Headers += TrimEnd(line) + "\r\n";
    return bytes;
}

int CurlDriver::OnPrereq(void* transferPtr, char*, char*, int, int) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    if (!t->Connected) {
        t->Connected = true;
        Instance().Queue(t->shared_from_this(), EventKind::State, TransferState::Connected);
    }
    return CURL_PREREQFUNC_OK;
}

int CurlDriver::OnProgress(void* transferPtr, curl_off_t, curl_off_t dlnow, curl_off_t,
                           curl_off_t) {
    // libcurl's own low-speed check averages over several seconds; a stall is judged here, from
    // the last byte that arrived, once the connection is up.
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::int64_t now = NowMs();
    if (!t->Connected || dlnow != t->LastDownloaded) {
        t->LastDownloaded = dlnow;
        t->LastActivityMs = now;
        return 0;
    }
    if (now - t->LastActivityMs < t->StallMs) return 0;
    t->Stalled = true;
    return 1;
}

// --- Driving libcurl ---------------------------------------------------------------------------

void CurlDriver::Drive(curl_socket_t socket, int mask) {
    int running = 0;
    CURLMcode rc = curl_multi_socket_action(multi_, socket, mask, &running);
    if (rc != CURLM_OK) qWarning("curl_multi_socket_action: %s", curl_multi_strerror(rc));
    DrainMessages();
    Deliver();
}

void CurlDriver::DrainMessages() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg == CURLMSG_DONE) Complete(msg->easy_handle, msg->data.result);
    }
}

void CurlDriver::Complete(CURL* easy, CURLcode result) {
    CurlTransfer* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    if (!raw) return;
    auto t = raw->shared_from_this();
    t->Result = result;
    if (result == CURLE_OK && !t->Begun) {
        // An empty FTP file: nothing was written, but the document exists.
        if (!t->OpenFile()) result = CURLE_WRITE_ERROR;
    }
    if (result == CURLE_OK && !t->Begun) {
        t->Begun = true;
        curl_off_t length = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        t->Announced = length;
        if (t->IsFtp) Queue(t, EventKind::State, TransferState::ReplyReceived);
        Queue(t, EventKind::Doc, TransferProgress::Begin);
    }
    Release(*t);
    // The bytes of a failed transfer stay too: the file holds everything that arrived.
    const bool flushed = t->FlushToFile();
    if (result == CURLE_OK && !flushed) result = CURLE_WRITE_ERROR;
    t->CloseFile();
    if (result == CURLE_OK && !t->KeepFile()) result = CURLE_WRITE_ERROR;
    if (result == CURLE_OK) {
        Queue(t, EventKind::State, TransferState::Completed);
        Queue(t, EventKind::Doc, TransferProgress::End);
        t->EndQueued = true;
        return;
    }
    if (!t->WriteError.empty()) {
        t->ErrorText = t->WriteError;
    } else if (t->Stalled) {
        t->ErrorText = "No data received for " + std::to_string(Timeouts.StallSeconds) +
                       " seconds from " + t->Url;
    } else {
        t->ErrorText = t->ErrorBuffer[0] ? t->ErrorBuffer : curl_easy_strerror(result);
        t->ErrorText = TrimEnd(t->ErrorText);
    }
    const bool broken = t->Connected && (t->Stalled || IsBrokenConnection(result));
    QueueFailure(t, broken ? TransferState::Closed : TransferState::Failed);
}

void CurlDriver::ReleaseBuffer(std::string buffer) {
    if (buffers_.size() >= kPooledBuffers || buffer.capacity() > kPooledBufferBytes) return;
    buffer.clear();
    buffers_.push_back(std::move(buffer));
}

void CurlDriver::Release(CurlTransfer& t) {
    if (t.Counted) {
        t.Counted = false;
        if (--ftpTransfers_ == 0) ftpKick_.stop();
    }
    if (!t.Easy) return;
    CURLMcode rc = curl_multi_remove_handle(multi_, t.Easy);
    if (rc != CURLM_OK) qWarning("curl_multi_remove_handle: %s", curl_multi_strerror(rc));
    if (pool_.size() < kPooledHandles) {
        curl_easy_reset(t.Easy);
        pool_.push_back(t.Easy);
    } else {
        curl_easy_cleanup(t.Easy);
    }
    t.Easy = nullptr;
}

CURL* CurlDriver::AcquireHandle() {
    if (pool_.empty()) return curl_easy_init();
    CURL* easy = pool_.back();
    pool_.pop_back();
    return easy;
}

// --- Starting and stopping --------------------------------------------------------------------

void CurlDriver::Configure(CurlTransfer& t, const Transfer& control, const std::string& url,
                           const std::string& headers) {
    CURL* e = t.Easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, &t);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.ErrorBuffer);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlDriver::OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlDriver::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &CurlDriver::OnPrereq);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &t);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, t.IsFtp ? "ftp" : "http,https");
    // The worker decides what to do with a redirect.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Lanternway/1.3");
    // Several transfers to one https host should share one multiplexed connection rather than
    // each open its own while the first is still shaking hands.
    if (StartsWithNoCase(url, "https:")) curl_easy_setopt(e, CURLOPT_PIPEWAIT, 1L);

    // Only the session's proxy counts, never one from the environment.
    std::string proxy;
    if (!control.ProxyHost.empty())
        proxy = "http://" + control.ProxyHost + ":" + std::to_string(control.ProxyPort);
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());

    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(Timeouts.ConnectMs));
    t.StallMs = Timeouts.StallSeconds * 1000;
    t.LastActivityMs = NowMs();
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlDriver::OnProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);
    // Also makes libcurl wake up every second, so that the check above runs while idle.
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(Timeouts.StallSeconds));
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(Timeouts.StallSeconds));

    // Trust what OpenSSL programs trust when told so by the environment.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file)
        curl_easy_setopt(e, CURLOPT_CAINFO, file);
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir)
        curl_easy_setopt(e, CURLOPT_CAPATH, dir);

    if (!control.user_.empty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, control.user_.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, control.password_.c_str());
    }
    std::size_t at = 0;
    while (at < headers.size()) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string::npos) end = headers.size();
        std::string line = TrimEnd(headers.substr(at, end - at));
        if (!line.empty()) t.RequestHeaders = curl_slist_append(t.RequestHeaders, line.c_str());
        at = end + 1;
    }
    if (t.RequestHeaders) curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.RequestHeaders);
}

void CurlDriver::Start(Transfer& control, const std::string& url,
                       const std::string& headers, const std::string& localFile) {
    auto t = std::make_shared<CurlTransfer>();
    t->Owner = &control;
    t->IsFtp = control.isFtp_;
    t->Active = true;
    t->FilePath = localFile;
    t->Url = url;
    control.transfer_ = t;
    if (!buffers_.empty()) {
        t->Pending.swap(buffers_.back());
        buffers_.pop_back();
    }
    Queue(t, EventKind::State, TransferState::Connecting);
    t->Easy = AcquireHandle();
    Configure(*t, control, url, headers);
    CURLMcode rc = t->Easy ? curl_multi_add_handle(multi_, t->Easy) : CURLM_OUT_OF_MEMORY;
    if (rc != CURLM_OK) {
        if (t->Easy) curl_easy_cleanup(t->Easy);
        t->Easy = nullptr;
        t->CloseFile();
        t->ErrorText = std::string("Cannot start the transfer: ") + curl_multi_strerror(rc);
        QueueFailure(t, TransferState::Failed);
    } else if (t->IsFtp) {
        t->Counted = true;
        if (ftpTransfers_++ == 0) ftpKick_.start();
    }
    ScheduleDelivery();
}

void CurlDriver::Cancel(CurlTransfer& t) {
    if (!t.Active) return;
    t.Active = false;
    Release(t);
    t.FlushToFile();  // keep what arrived; a write failure changes nothing now
    t.CloseFile();
    t.Pending.clear();
    t.Flushed = 0;
    t.DataQueued = false;
    DropEvents(t);
    Queue(t.shared_from_this(), EventKind::Doc, TransferProgress::End);
    t.EndQueued = true;
    ScheduleDelivery();
}

void CurlDriver::Detach(CurlTransfer& t) {
    t.Owner = nullptr;
    t.Active = false;
    Release(t);
    t.DiscardFile();
    DropEvents(t);
}

// --- Events ---------------------------------------------------------------------------------

void CurlDriver::Queue(const std::shared_ptr<CurlTransfer>& t, EventKind kind, int value) {
    queue_.push_back({t, kind, value});
}

void CurlDriver::QueueFailure(const std::shared_ptr<CurlTransfer>& t, short state) {
    Queue(t, EventKind::State, state);
    Queue(t, EventKind::Doc, TransferProgress::Error);
    Queue(t, EventKind::Doc, TransferProgress::End);
    t->EndQueued = true;
}

void CurlDriver::DropEvents(const CurlTransfer& t) {
    std::erase_if(queue_, [&](const Event& e) { return e.CurlJob.get() == &t; });
}

void CurlDriver::ScheduleDelivery() {
    // A zero timer rather than a posted event: the loop takes it on its next pass all the
    // same, without a wake-up write for every transfer started.
    if (!deliveryTimer_.isActive()) deliveryTimer_.start();
}

void CurlDriver::Deliver() {
    // A handler may run a nested event loop that delivers further events from this same queue;
    // taking one event at a time keeps their order.
    while (!queue_.empty()) {
        Event e = std::move(queue_.front());
        queue_.pop_front();
        DeliverOne(e);
    }
}

void CurlDriver::DeliverOne(Event& e) {
    CurlTransfer& t = *e.CurlJob;
    if (!t.Owner) return;
    if (!t.FlushToFile()) {
        // The disk refused the document: end it as a failure that says so.
        Release(t);
        t.CloseFile();
        t.Pending.clear();
        t.Flushed = 0;
        t.DataQueued = false;
        DropEvents(t);
        t.ErrorText = t.WriteError;
        QueueFailure(e.CurlJob, TransferState::Failed);
        return;
    }
    Transfer& control = *t.Owner;
    if (e.Kind == EventKind::State) {
        auto handler = control.OnConnectionState;
        if (handler) handler(static_cast<short>(e.Value));
        return;
    }
    TransferProgress doc;
    doc.State = e.Value;
    std::string chunk;
    if (e.Value == TransferProgress::Data) {
        chunk.swap(t.Pending);
        t.Flushed = 0;
        t.DataQueued = false;
        doc.DataChunk = chunk;
    }
    if (e.Value == TransferProgress::Error) {
        doc.ErrorText = t.ErrorText;
        doc.FileFailed = t.FileFailed;
    }
    if (e.Value == TransferProgress::End) {
        t.Active = false;
        // Many controls may wait for release; keep them small.
        std::string buffer;
        buffer.swap(t.Pending);
        ReleaseBuffer(std::move(buffer));
    }
    doc.BytesTransferred = t.Received;
    doc.TotalKnown = t.Announced >= 0;
    doc.TotalSize = doc.TotalKnown ? std::max<std::int64_t>(t.Announced, t.Received) : t.Received;
    auto handler = control.OnProgress;
    if (handler) handler(doc);
    if (e.Value == TransferProgress::End) t.DiscardFile();
    if (!chunk.empty() && t.Pending.empty()) {
        chunk.clear();
        t.Pending.swap(chunk);  // keep the buffer's capacity for the next chunk
    }
}
