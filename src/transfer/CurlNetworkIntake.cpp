// The bytes of a transfer coming in: written or kept for the data events, unpacked when they
// come compressed, and held back while the control's thread has not taken enough of them yet.
#include <string>

#include "transfer/CurlNetwork.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferText.h"

namespace {

// Bytes kept in memory before they go to the file within one pass over the sockets.
constexpr std::size_t kFlushThreshold = 1 << 20;
// A transfer is held back while more than this of its bytes wait for the control's thread, and
// goes on once no more than the second figure wait. A few MB keep the network busy while the
// handlers work, and bound what one reply costs in memory, whatever it unpacks to.
constexpr std::int64_t kHoldBackBytes = 4 << 20;
constexpr std::int64_t kGoOnBytes = 1 << 20;
// A compressed body is unpacked this much at a time, and held back between the slices.
constexpr std::size_t kUnpackSliceBytes = 256 << 10;

}  // namespace

bool CurlNetwork::WaitsForDelivery(CurlTransfer& t, std::int64_t limit) {
    if (t.Received - t.Delivered.load() <= limit) return false;
    t.AwaitsDelivery.store(true);
    // A delivery between the two looks has not seen the flag: it is looked at again here.
    if (t.Received - t.Delivered.load() > limit) return true;
    // Caught up after all. Had the delivery taken the flag already, it has asked for a Resume,
    // which will find the same: the transfer waits for it.
    return !t.AwaitsDelivery.exchange(false);
}

void CurlNetwork::Reconsider(const std::shared_ptr<CurlTransfer>& t) {
    // A transfer that has ended meanwhile has no handle any more.
    if ((!t->Easy && !t->Draining) || WaitsForDelivery(*t, kGoOnBytes)) return;
    // First what was read already: compressed bytes that wait to be unpacked.
    if (t->Decoder && t->Decoder->HasInput()) {
        if (!Unpack(*t)) {
            FailWrite(t);
            return;
        }
        if (t->Decoder->HasInput()) return;  // held back again
    }
    if (t->Draining) {
        t->Draining = false;
        Conclude(t, CURLE_OK);
        return;
    }
    if (!t->Paused) return;
    t->Paused = false;
    t->LastActivityMs = SteadyNowMs();  // the time held back is no stall
    // libcurl hands over what it kept back from within this call (the write callback may hold
    // the transfer back again), and runs the transfer on at its next timeout pass.
    const CURLcode rc = curl_easy_pause(t->Easy, CURLPAUSE_CONT);
    if (rc == CURLE_OK) return;
    if (t->WriteError.empty()) t->WriteError = curl_easy_strerror(rc);
    FailWrite(t);
}

bool CurlNetwork::Take(CurlTransfer& t, const char* data, std::size_t size) {
    if (t.KeepBytes)
        t.Pending.append(data, size);
    else if (!t.WriteThrough(data, size))
        return false;
    return Taken(t, size);
}

bool CurlNetwork::Taken(CurlTransfer& t, std::size_t size) {
    t.Received += static_cast<std::int64_t>(size);
    if (!t.Dirty) {
        t.Dirty = true;
        dirty_.push_back(t.shared_from_this());
    }
    return t.Pending.size() - t.Flushed < kFlushThreshold || t.FlushToFile();
}

bool CurlNetwork::Unpack(CurlTransfer& t) {
    while (t.Decoder->HasInput() && !WaitsForDelivery(t, kHoldBackBytes)) {
        // Straight into the bytes the next data event carries, or through a buffer to the file.
        std::string& into = t.KeepBytes ? t.Pending : unpacked_;
        const std::size_t before = into.size();
        if (!t.Decoder->Unpack(into, kUnpackSliceBytes)) {
            t.WriteError =
                "Cannot unpack the compressed reply from " + t.Url + ": " + t.Decoder->Error();
            return false;
        }
        const std::size_t made = into.size() - before;
        if (!t.KeepBytes) {
            const bool written = t.WriteThrough(into.data(), made);
            into.clear();
            if (!written) return false;
        }
        if (!Taken(t, made)) return false;
    }
    return true;
}

size_t CurlNetwork::OnWrite(char* data, size_t size, size_t count, void* transferPtr) {
    auto* t = static_cast<CurlTransfer*>(transferPtr);
    const std::size_t bytes = size * count;
    CurlNetwork& network = *t->Network;
    // These bytes, and what libcurl reads after them, come again when the transfer goes on.
    if ((t->Decoder && t->Decoder->HasInput()) || WaitsForDelivery(*t, kHoldBackBytes)) {
        t->Paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (!t->Begun) {
        // FTP has no header block; an HTTP reply always has, but be safe.
        if (!t->OpenFile()) return 0;
        network.ReplyBegins(*t);
        if (t->IsFtp) network.Send(*t, TransferEvent::Kind::State, TransferState::ReplyReceived);
        network.Send(*t, TransferEvent::Kind::Doc, TransferProgress::Begin);
    }
    if (t->Encoded && !t->Decoder) {
        std::string unknown;
        t->Decoder = ReplyDecoder::For(t->ContentEncoding, unknown);
        if (!unknown.empty()) {
            t->WriteError = unknown + " from " + t->Url;
            return 0;
        }
    }
    if (!t->Decoder) return network.Take(*t, data, bytes) ? bytes : 0;
    // Taken in whole, though what they unpack to may wait for the control's thread.
    t->Decoder->Feed(std::string_view(data, bytes));
    return network.Unpack(*t) ? bytes : 0;
}
