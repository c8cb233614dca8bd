#include "transfer/CurlNetwork.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "transfer/TransferProgress.h"
#include "transfer/TransferText.h"

namespace {

constexpr std::size_t kPooledHandles = 32;
constexpr long kCachedConnections = 64;
// How often a full pass over the handles runs while FTP transfers are under way (see Kick).
constexpr std::int64_t kFtpKickMs = 50;

}  // namespace

CurlNetwork::CurlNetwork(std::function<void()> eventsWaiting)
    : eventsWaiting_(std::move(eventsWaiting)) {
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlNetwork::OnSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlNetwork::OnTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    // libcurl sizes its cache of idle connections by the transfers it holds at the moment. Here
    // a finished transfer's successor arrives only after the control's thread has seen the end,
    // so for a moment the multi handle holds few transfers and would close the connections
    // that are about to be reused.
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kCachedConnections);
    commandsFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (commandsFd_ < 0) throw std::runtime_error("eventfd failed");
    polls_.push_back({commandsFd_, POLLIN, 0});
    thread_ = std::thread([this] { Run(); });
    pthread_setname_np(thread_.native_handle(), "network");
}

CurlNetwork::~CurlNetwork() {
    {
        std::lock_guard lock(commandsLock_);
        stopping_ = true;
    }
    WakeThread();
    thread_.join();
    for (CURL* easy : pool_) curl_easy_cleanup(easy);
    curl_multi_cleanup(multi_);
    ::close(commandsFd_);
}

// --- The thread's loop -------------------------------------------------------------------------

void CurlNetwork::Run() {
    std::vector<std::pair<curl_socket_t, int>> ready;
    for (;;) {
        const int count = ::poll(polls_.data(), polls_.size(), PollTimeoutMs());
        if (count < 0 && errno != EINTR) qWarning("poll: %s", std::strerror(errno));
        // libcurl changes the watched sockets as it works: the ready ones are noted first.
        ready.clear();
        for (std::size_t i = 1; count > 0 && i < polls_.size(); ++i) {
            const short got = polls_[i].revents;
            if (!got) continue;
            int mask = 0;
            if (got & (POLLIN | POLLHUP)) mask |= CURL_CSELECT_IN;
            if (got & POLLOUT) mask |= CURL_CSELECT_OUT;
            if (got & (POLLERR | POLLNVAL)) mask |= CURL_CSELECT_ERR;
            ready.emplace_back(polls_[i].fd, mask);
        }
        if (count > 0 && polls_[0].revents) {
            std::uint64_t wakes = 0;
            // Reset before the work: a command posted while it runs brings the loop round again.
            [[maybe_unused]] const auto n = ::read(commandsFd_, &wakes, sizeof wakes);
            if (!RunCommands()) return;
        }
        for (const auto& [socket, mask] : ready) Act(socket, mask);
        if (timerDueMs_ >= 0 && SteadyNowMs() >= timerDueMs_) {
            timerDueMs_ = -1;  // libcurl may ask for a new one from inside the pass
            Act(CURL_SOCKET_TIMEOUT, 0);
        }
        if (ftpTransfers_ > 0 && SteadyNowMs() >= nextKickMs_) Kick();
        // One data event per transfer and one wake-up of the controls' thread for the pass.
        DrainMessages();
        SendPendingData();
        WakeIfDue();
    }
}

int CurlNetwork::PollTimeoutMs() const {
    std::int64_t due = timerDueMs_;
    if (ftpTransfers_ > 0 && (due < 0 || nextKickMs_ < due)) due = nextKickMs_;
    if (due < 0) return -1;
    return static_cast<int>(std::clamp<std::int64_t>(due - SteadyNowMs(), 0, 24L * 3600 * 1000));
}

void CurlNetwork::Kick() {
    // When an FTP server answers the passive-mode command at once, libcurl (7.88) can end its
    // do-phase without a socket to wait on or a timer for the data connection, and sits there
    // until the connect timeout. A periodic full pass over the handles moves it on.
    nextKickMs_ = SteadyNowMs() + kFtpKickMs;
    int running = 0;
    CURLMcode rc = curl_multi_perform(multi_, &running);
    if (rc != CURLM_OK) qWarning("curl_multi_perform: %s", curl_multi_strerror(rc));
}

// --- Hand-over between the threads ------------------------------------------------------------

void CurlNetwork::Post(Command command) {
    std::vector<Command> one;
    one.push_back(std::move(command));
    Post(one);
}

void CurlNetwork::Post(std::vector<Command>& commands) {
    bool wake = false;
    {
        std::lock_guard lock(commandsLock_);
        wake = commands_.empty();
        for (Command& c : commands) commands_.push_back(std::move(c));
    }
    commands.clear();
    // One wake-up for a batch: the commands posted meanwhile ride along.
    if (wake) WakeThread();
}

void CurlNetwork::WakeThread() {
    const std::uint64_t one = 1;
    // Only a full counter refuses, and then a wake-up is pending anyway.
    [[maybe_unused]] const auto n = ::write(commandsFd_, &one, sizeof one);
}

void CurlNetwork::Submit(std::vector<std::shared_ptr<CurlTransfer>>& transfers) {
    std::vector<Command> commands;
    commands.reserve(transfers.size());
    for (auto& t : transfers) commands.push_back({std::move(t), Command::Kind::Begin, nullptr});
    transfers.clear();
    Post(commands);
}

void CurlNetwork::Abandon(const std::shared_ptr<CurlTransfer>& transfer) {
    bool done = false;
    Post({transfer, Command::Kind::Abandon, &done});
    // The network thread never waits for this one, so this wait is short.
    std::unique_lock lock(commandsLock_);
    abandoned_.wait(lock, [&] { return done; });
}

void CurlNetwork::Resume(const std::shared_ptr<CurlTransfer>& transfer) {
    Post({transfer, Command::Kind::Resume, nullptr});
}

void CurlNetwork::TakeEvents(std::deque<TransferEvent>& into) {
    std::vector<TransferEvent> taken;
    {
        std::lock_guard lock(outboxLock_);
        taken.swap(outbox_);
        ++batch_;
    }
    for (TransferEvent& e : taken) into.push_back(std::move(e));
}

void CurlNetwork::DropEvents(const CurlTransfer& transfer) {
    std::lock_guard lock(outboxLock_);
    std::erase_if(outbox_, [&](const TransferEvent& e) { return e.Job.get() == &transfer; });
    ++batch_;
}

bool CurlNetwork::RunCommands() {
    std::vector<Command> commands;
    {
        std::lock_guard lock(commandsLock_);
        if (stopping_) return false;
        commands.swap(commands_);
    }
    for (Command& c : commands) {
        if (c.What == Command::Kind::Begin) {
            Begin(c.Job);
            continue;
        }
        if (c.What == Command::Kind::Resume) {
            Reconsider(c.Job);
            continue;
        }
        Stop(*c.Job);
        {
            std::lock_guard lock(commandsLock_);
            *c.Done = true;
        }
        abandoned_.notify_all();
    }
    return true;
}

TransferEvent CurlNetwork::MakeEvent(CurlTransfer& t, TransferEvent::Kind kind, int value) {
    TransferEvent e;
    e.Job = t.shared_from_this();
    e.What = kind;
    e.Value = value;
    e.Status = t.Status;
    e.Received = t.Received;
    e.Announced = t.Announced;
    e.Reason = t.Reason;
    const bool completed = kind == TransferEvent::Kind::State && value == TransferState::Completed;
    if ((t.Begun && !t.ReplySent) || completed) {
        t.ReplySent = true;
        e.CarriesReply = true;
        e.Headers = t.Headers;
        e.OutputPath = t.OutputPath();
    }
    if (!t.ErrorText.empty()) e.ErrorText = t.ErrorText;
    e.FailedTransiently = t.Transient;
    e.FileFailed = t.FileFailed;
    return e;
}

void CurlNetwork::Send(CurlTransfer& t, TransferEvent::Kind kind, int value) {
    TransferEvent e = MakeEvent(t, kind, value);
    const bool data = kind == TransferEvent::Kind::Doc && value == TransferProgress::Data;
    if (data) e.Chunk.swap(t.Pending);
    bool wake = false;
    {
        std::lock_guard lock(outboxLock_);
        if (data && t.DataBatch == batch_) {
            // The previous data event has not been taken yet: it grows instead.
            TransferEvent& waiting = outbox_[t.DataSlot];
            waiting.Chunk.append(e.Chunk);
            waiting.Received = e.Received;
            waiting.Announced = e.Announced;
            return;
        }
        wake = outbox_.empty();
        if (data) {
            t.DataBatch = batch_;
            t.DataSlot = outbox_.size();
        }
        outbox_.push_back(std::move(e));
    }
    if (wake) wakeDue_ = true;
}

void CurlNetwork::WakeIfDue() {
    // One wake-up at the end of a pass, for all the events of the pass.
    if (!wakeDue_) return;
    wakeDue_ = false;
    eventsWaiting_();
}

void CurlNetwork::SendLast(CurlTransfer& t, short state) {
    // The last events go out together: once they can be taken, the transfer belongs to the
    // controls' thread, and this thread touches it no more.
    Settle(t);
    TransferEvent last[3];
    int count = 0;
    last[count++] = MakeEvent(t, TransferEvent::Kind::State, state);
    if (state != TransferState::Completed)
        last[count++] = MakeEvent(t, TransferEvent::Kind::Doc, TransferProgress::Error);
    last[count++] = MakeEvent(t, TransferEvent::Kind::Doc, TransferProgress::End);
    bool wake = false;
    {
        std::lock_guard lock(outboxLock_);
        wake = outbox_.empty();
        for (int i = 0; i < count; ++i) outbox_.push_back(std::move(last[i]));
    }
    if (wake) wakeDue_ = true;
}

// --- Starting and stopping ---------------------------------------------------------------------

void CurlNetwork::Begin(const std::shared_ptr<CurlTransfer>& t) {
    t->Network = this;
    t->Easy = AcquireHandle();
    if (t->Easy) {
        CURL* e = t->Easy;
        t->Configure(e);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlNetwork::OnWrite);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlNetwork::OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t.get());
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &CurlNetwork::OnPrereq);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, t.get());
        curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlNetwork::OnProgress);
        curl_easy_setopt(e, CURLOPT_XFERINFODATA, t.get());
    }
    CURLMcode rc = t->Easy ? curl_multi_add_handle(multi_, t->Easy) : CURLM_OUT_OF_MEMORY;
    if (rc != CURLM_OK) {
        if (t->Easy) curl_easy_cleanup(t->Easy);
        t->Easy = nullptr;
        t->ErrorText = std::string("Cannot start the transfer: ") + curl_multi_strerror(rc);
        SendLast(*t, TransferState::Failed);
        return;
    }
    t->Hold = t;
    if (t->IsFtp) {
        t->Counted = true;
        if (ftpTransfers_++ == 0) nextKickMs_ = SteadyNowMs() + kFtpKickMs;
    }
}

void CurlNetwork::Stop(CurlTransfer& t) {
    Release(t);
    t.Draining = false;
    t.FlushToFile();  // keep what arrived; a write failure changes nothing now
    t.CloseFile();
    Settle(t);
}

void CurlNetwork::Settle(CurlTransfer& t) {
    if (!t.Dirty) return;
    t.Dirty = false;
    std::erase_if(dirty_, [&](const auto& d) { return d.get() == &t; });
}

void CurlNetwork::Release(CurlTransfer& t) {
    if (t.Counted) {
        t.Counted = false;
        --ftpTransfers_;
    }
    if (t.Easy) {
        CURLMcode rc = curl_multi_remove_handle(multi_, t.Easy);
        if (rc != CURLM_OK) qWarning("curl_multi_remove_handle: %s", curl_multi_strerror(rc));
        // A handle taken out while paused may still hold what it kept back: not reused.
        if (pool_.size() < kPooledHandles && !t.Paused) {
            curl_easy_reset(t.Easy);
            pool_.push_back(t.Easy);
        } else {
            curl_easy_cleanup(t.Easy);
        }
        t.Easy = nullptr;
    }
    t.Paused = false;
    t.Hold.reset();  // the caller holds it still
}

CURL* CurlNetwork::AcquireHandle() {
    if (pool_.empty()) return curl_easy_init();
    CURL* easy = pool_.back();
    pool_.pop_back();
    return easy;
}

// --- Driving libcurl ---------------------------------------------------------------------------

void CurlNetwork::Act(curl_socket_t socket, int mask) {
    int running = 0;
    CURLMcode rc = curl_multi_socket_action(multi_, socket, mask, &running);
    if (rc != CURLM_OK) qWarning("curl_multi_socket_action: %s", curl_multi_strerror(rc));
}

void CurlNetwork::DrainMessages() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg == CURLMSG_DONE) Complete(msg->easy_handle, msg->data.result);
    }
}

void CurlNetwork::SendPendingData() {
    // The bytes of a pass go out as one data event per transfer, after one write to its file.
    std::vector<std::shared_ptr<CurlTransfer>> dirty;
    dirty.swap(dirty_);
    for (auto& t : dirty) {
        t->Dirty = false;
        if (!SendData(t)) FailWrite(t);
    }
    if (dirty_.empty()) {
        dirty.clear();
        dirty_.swap(dirty);  // keeps its capacity
    }
}

bool CurlNetwork::SendData(const std::shared_ptr<CurlTransfer>& t) {
    if (!t->KeepBytes) {
        Send(*t, TransferEvent::Kind::Doc, TransferProgress::Data);
        return true;
    }
    if (t->Pending.empty()) return true;
    if (!t->FlushToFile()) return false;
    Send(*t, TransferEvent::Kind::Doc, TransferProgress::Data);
    t->Pending.clear();
    t->Flushed = 0;
    return true;
}

void CurlNetwork::FailWrite(const std::shared_ptr<CurlTransfer>& t) {
    // The disk refused the document (or it did not unpack): end it as a failure that says so.
    Release(*t);
    t->Draining = false;
    t->CloseFile();
    t->Pending.clear();
    t->Flushed = 0;
    t->ErrorText = t->WriteError;
    SendLast(*t, TransferState::Failed);
}

void CurlNetwork::ReplyBegins(CurlTransfer& t) {
    t.Begun = true;
    curl_off_t length = -1;
    curl_easy_getinfo(t.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    t.Announced = t.Encoded ? -1 : length;
}

void CurlNetwork::Complete(CURL* easy, CURLcode result) {
    CurlTransfer* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    if (!raw) return;
    auto t = raw->shared_from_this();
    if (result == CURLE_OK && !t->Begun) {
        // An empty FTP file: nothing was written, but the document exists.
        if (!t->OpenFile()) result = CURLE_WRITE_ERROR;
    }
    if (result == CURLE_OK && !t->Begun) {
        ReplyBegins(*t);
        if (t->IsFtp) Send(*t, TransferEvent::Kind::State, TransferState::ReplyReceived);
        Send(*t, TransferEvent::Kind::Doc, TransferProgress::Begin);
    }
    // Read before the handle is released: why the system refused the connection, if it did.
    if (result != CURLE_OK) curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &t->OsErrno);
    Release(*t);
    if (result == CURLE_OK && t->Decoder && t->Decoder->HasInput()) {
        // The last compressed bytes are unpacked as the control's thread takes them.
        if (!Unpack(*t)) result = CURLE_WRITE_ERROR;
        t->Draining = result == CURLE_OK && t->Decoder->HasInput();
        if (t->Draining) return;
    }
    Conclude(t, result);
}

void CurlNetwork::Conclude(const std::shared_ptr<CurlTransfer>& t, CURLcode result) {
    // The bytes of a failed transfer stay too: the file holds everything that arrived.
    const bool unsent = t->Dirty;
    Settle(*t);
    const bool written = !unsent || SendData(t);
    if (result == CURLE_OK && !written) result = CURLE_WRITE_ERROR;
    t->CloseFile();
    // The file takes its final name when the completion is delivered: until then the events on
    // their way still name the temporary file, and a stop in between keeps what stood there.
    if (result == CURLE_OK) t->KeepOnDelivery = !t->Kept;
    if (result == CURLE_OK) {
        SendLast(*t, TransferState::Completed);
        return;
    }
    t->SetFailureText(result);
    t->Transient = t->FailedTransiently(result);
    SendLast(*t, t->BrokeOff(result) ? TransferState::Closed : TransferState::Failed);
}

// --- libcurl's callbacks -----------------------------------------------------------------------

int CurlNetwork::OnSocket(CURL*, curl_socket_t s, int what, void* networkPtr, void*) {
    auto& polls = static_cast<CurlNetwork*>(networkPtr)->polls_;
    auto it = std::find_if(polls.begin() + 1, polls.end(),
                           [s](const pollfd& p) { return p.fd == s; });
    if (what == CURL_POLL_REMOVE) {
        if (it != polls.end()) polls.erase(it);
        return 0;
    }
    short events = 0;
    if (what == CURL_POLL_IN || what == CURL_POLL_INOUT) events |= POLLIN;
    if (what == CURL_POLL_OUT || what == CURL_POLL_INOUT) events |= POLLOUT;
    if (it == polls.end())
        polls.push_back({s, events, 0});
    else
        it->events = events;
    return 0;
}

int CurlNetwork::OnTimer(CURLM*, long timeoutMs, void* networkPtr) {
    auto* network = static_cast<CurlNetwork*>(networkPtr);
    // libcurl's clock counts microseconds, this one milliseconds: a deadline a millisecond on
    // has surely passed by libcurl's clock when the pass runs (which then finds work to do).
    network->timerDueMs_ = timeoutMs < 0 ? -1 : SteadyNowMs() + timeoutMs + (timeoutMs > 0);
    return 0;
}

size_t CurlNetwork::OnHeader(char* data, size_t size, size_t count, void* transferPtr) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::size_t bytes = size * count;
    bool replyStarts = false;
    if (!t->TakeHeaderLine(data, bytes, &replyStarts)) return 0;
    if (!replyStarts) return bytes;
    if (!t->OpenFile()) return 0;
    CurlNetwork& network = *t->Network;
    network.ReplyBegins(*t);
    network.Send(*t, TransferEvent::Kind::State, TransferState::ReplyReceived);
    network.Send(*t, TransferEvent::Kind::Doc, TransferProgress::Begin);
    network.Send(*t, TransferEvent::Kind::Doc, TransferProgress::Headers);
    return bytes;
}

int CurlNetwork::OnPrereq(void* transferPtr, char*, char*, int, int) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    if (!t->Connected) {
        t->Connected = true;
        t->Network->Send(*t, TransferEvent::Kind::State, TransferState::Connected);
    }
    return CURL_PREREQFUNC_OK;
}

int CurlNetwork::OnProgress(void* transferPtr, curl_off_t, curl_off_t dlnow, curl_off_t,
                            curl_off_t) {
    // libcurl's own low-speed check averages over several seconds; a stall is judged here, from
    // the last byte that arrived, once the connection is up.
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::int64_t now = SteadyNowMs();
    if (!t->Connected || t->Paused || dlnow != t->LastDownloaded) {
        t->LastDownloaded = dlnow;
        t->LastActivityMs = now;
        return 0;
    }
    if (now - t->LastActivityMs < static_cast<std::int64_t>(t->StallSeconds) * 1000) return 0;
    t->Stalled = true;
    return 1;
}
