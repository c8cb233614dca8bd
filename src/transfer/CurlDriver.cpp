#include "transfer/CurlDriver.h"

#include <algorithm>

#include "transfer/CurlNetwork.h"
#include "transfer/ThreadWake.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferText.h"

CurlDriver& CurlDriver::Instance() {
    // Lives as long as the process: controls may be destroyed after the application object.
    static CurlDriver* driver = new CurlDriver;
    return *driver;
}

CurlDriver::CurlDriver() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // Called on the network thread; one wake-up per batch of events. The batch itself is
    // delivered from the zero timer, which the loop takes in turn with the other idle work
    // (a posted event of its own would go ahead of it every time the network keeps up).
    eventsWake_ = new ThreadWake([this] { ScheduleDelivery(); }, this);
    // Two network threads: receiving and writing the files is most of a copy's work, and one
    // thread doing it all leaves the second core waiting.
    for (Lane& lane : lanes_)
        lane.Network = std::make_unique<CurlNetwork>([this] { eventsWake_->Wake(); });
    deliveryTimer_.setSingleShot(true);
    deliveryTimer_.setInterval(0);
    connect(&deliveryTimer_, &QTimer::timeout, this, &CurlDriver::Deliver);
}

CurlDriver::~CurlDriver() = default;

void CurlDriver::Start(Transfer& control, const std::string& url, const std::string& headers,
                       const std::string& localFile) {
    auto t = std::make_shared<CurlTransfer>();
    t->Owner = &control;
    t->IsFtp = control.isFtp_;
    t->Active = true;
    t->FilePath = localFile;
    t->Url = url;
    t->RequestHeaderText = headers;
    // Only the session's proxy counts, never one from the environment.
    if (!control.ProxyHost.empty())
        t->Proxy = "http://" + control.ProxyHost + ":" + std::to_string(control.ProxyPort);
    t->KeepBytes = control.DeliverData;
    t->FileMayExist = control.LocalFileMayExist;
    t->User = control.user_;
    t->Password = control.password_;
    t->ConnectMs = Timeouts.ConnectMs;
    t->StallSeconds = Timeouts.StallSeconds;
    t->LowSpeedBytes = Timeouts.LowSpeedBytes;
    t->LowSpeedSeconds = Timeouts.LowSpeedSeconds;
    control.transfer_ = t;
    Queue(t, TransferEvent::Kind::State, TransferState::Connecting);
    // Handed over with the others started in the same turn, after the delivery in progress (or
    // from the delivery this schedules): one wake-up of the network thread for all of them.
    t->LaneIndex = ChooseLane(url);
    t->InLane = true;
    ++lanes_[t->LaneIndex].Busy;
    lanes_[t->LaneIndex].Starts.push_back(std::move(t));
    ScheduleDelivery();
}

int CurlDriver::ChooseLane(const std::string& url) const {
    // Over TLS the transfers to a host share one multiplexed connection where the server offers
    // it, and a connection belongs to one thread: they all go to the first.
    // FTP logins stay in one thread's connection cache too: idle logins held by both threads
    // would count against a server's limit of connections per client.
    if (StartsWithNoCase(url, "https:") || StartsWithNoCase(url, "ftp:")) return 0;
    // Otherwise to the thread with fewer transfers under way, so that neither ever has more
    // than half of them (and no more connections open than transfers run at once).
    int lane = 0;
    for (int i = 1; i < kLanes; ++i)
        if (lanes_[i].Busy < lanes_[lane].Busy) lane = i;
    return lane;
}

void CurlDriver::LeaveLane(CurlTransfer& t) {
    if (!t.InLane) return;
    t.InLane = false;
    --lanes_[t.LaneIndex].Busy;
}

void CurlDriver::TakeBack(CurlTransfer& t) {
    HandOver();  // the transfer may be among them
    lanes_[t.LaneIndex].Network->Abandon(t.shared_from_this());
    DropEvents(t);
    // A document that arrived whole while its events were on the way is not kept either: the
    // control was never told.
    t.KeepOnDelivery = false;
    // The network thread has let go: what it knew is what the control shows from now on.
    t.Shown.Status = t.Status;
    t.Shown.Reason = t.Reason;
    t.Shown.Headers = t.Headers;
    t.Shown.OutputPath = t.OutputPath();
    t.Shown.Received = t.Received;
    t.Shown.Announced = t.Announced;
    t.Shown.FailedTransiently = t.Transient;
    t.Shown.FileFailed = t.FileFailed;
}

void CurlDriver::Cancel(CurlTransfer& t) {
    if (!t.Active) return;
    t.Active = false;
    LeaveLane(t);
    TakeBack(t);
    Queue(t.shared_from_this(), TransferEvent::Kind::Doc, TransferProgress::End);
    ScheduleDelivery();
}

void CurlDriver::Detach(CurlTransfer& t) {
    t.Owner = nullptr;
    // An inactive transfer has ended or was cancelled: the network thread is done with it.
    if (t.Active) {
        t.Active = false;
        LeaveLane(t);
        TakeBack(t);
    }
    t.DiscardFile();
    DropEvents(t);
}

bool CurlDriver::KeepNow(CurlTransfer& t) {
    if (!t.KeepOnDelivery) return true;
    t.KeepOnDelivery = false;
    if (t.KeepFile()) {
        t.Shown.OutputPath = t.FilePath;
        return true;
    }
    // The complete document could not take its name: it ends as a failure that says so.
    DropEvents(t);
    t.Shown.ErrorText = t.WriteError;
    t.Shown.FileFailed = true;
    auto job = t.shared_from_this();
    Queue(job, TransferEvent::Kind::Doc, TransferProgress::End, true);
    Queue(job, TransferEvent::Kind::Doc, TransferProgress::Error, true);
    Queue(job, TransferEvent::Kind::State, TransferState::Failed, true);
    return false;
}

// --- Events ------------------------------------------------------------------------------------

void CurlDriver::Queue(const std::shared_ptr<CurlTransfer>& t, TransferEvent::Kind kind,
                       int value, bool next) {
    TransferEvent e;
    e.Job = t;
    e.What = kind;
    e.Value = value;
    e.FromNetwork = false;
    if (next)
        queue_.push_front(std::move(e));
    else
        queue_.push_back(std::move(e));
}

void CurlDriver::DropEvents(const CurlTransfer& t) {
    std::erase_if(queue_, [&](const TransferEvent& e) { return e.Job.get() == &t; });
    lanes_[t.LaneIndex].Network->DropEvents(t);
}

void CurlDriver::ScheduleDelivery() {
    // A zero timer: the loop takes it on its next pass, without a wake-up write for every
    // transfer started.
    if (!deliveryTimer_.isActive()) deliveryTimer_.start();
}

void CurlDriver::HandOver() {
    for (Lane& lane : lanes_)
        if (!lane.Starts.empty()) lane.Network->Submit(lane.Starts);
}

void CurlDriver::Deliver() {
    HandOver();
    for (Lane& lane : lanes_) lane.Network->TakeEvents(queue_);
    // A handler may run a nested event loop that delivers further events from this same queue;
    // taking one event at a time keeps their order.
    while (!queue_.empty()) {
        TransferEvent e = std::move(queue_.front());
        queue_.pop_front();
        DeliverOne(e);
    }
    HandOver();
}

void CurlDriver::TakeData(CurlTransfer& t, const TransferEvent& e) {
    // Counted before the handler runs: the network may refill while it works on these bytes.
    t.Delivered.store(e.Received);
    if (t.AwaitsDelivery.load() && t.AwaitsDelivery.exchange(false))
        lanes_[t.LaneIndex].Network->Resume(e.Job);
}

void CurlDriver::DeliverOne(TransferEvent& e) {
    CurlTransfer& t = *e.Job;
    if (!t.Owner) return;
    if (e.FromNetwork && e.What == TransferEvent::Kind::Doc && e.Value == TransferProgress::Data)
        TakeData(t, e);
    if (e.FromNetwork) {
        CurlTransfer::View& v = t.Shown;
        v.Status = e.Status;
        if (v.Reason != e.Reason) v.Reason = e.Reason;
        v.Received = e.Received;
        v.Announced = e.Announced;
        if (e.CarriesReply) {
            v.Headers.swap(e.Headers);
            v.OutputPath.swap(e.OutputPath);
        }
        if (!e.ErrorText.empty()) v.ErrorText.swap(e.ErrorText);
        v.FailedTransiently = e.FailedTransiently;
        v.FileFailed = e.FileFailed;
    }
    if (e.What == TransferEvent::Kind::State && e.Value == TransferState::Completed && !KeepNow(t))
        return;
    Transfer& control = *t.Owner;
    if (e.What == TransferEvent::Kind::State) {
        auto handler = control.OnConnectionState;
        if (handler) handler(static_cast<short>(e.Value));
        return;
    }
    TransferProgress doc;
    doc.State = e.Value;
    if (e.Value == TransferProgress::Data) doc.DataChunk = e.Chunk;
    if (e.Value == TransferProgress::Error) {
        doc.ErrorText = t.Shown.ErrorText;
        doc.FileFailed = t.Shown.FileFailed;
    }
    // The network thread is done with a transfer once its End has been sent.
    if (e.Value == TransferProgress::End) {
        t.Active = false;
        LeaveLane(t);
    }
    doc.BytesTransferred = t.Shown.Received;
    doc.TotalKnown = t.Shown.Announced >= 0;
    doc.TotalSize = doc.TotalKnown ? std::max<std::int64_t>(t.Shown.Announced, t.Shown.Received)
                                   : t.Shown.Received;
    auto handler = control.OnProgress;
    if (handler) handler(doc);
    if (e.Value != TransferProgress::End) return;
    // A transfer that did not end well loses its temporary file: nobody may find one after the End.
    t.DiscardFile();
    if (!t.Kept) t.Shown.OutputPath.clear();  // the temporary file is gone
}
