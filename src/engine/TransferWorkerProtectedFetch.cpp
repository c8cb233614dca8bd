// The protected fetch of a worker: a file the server wants credentials for is fetched again,
// synchronously, with the session's HTTP user name and password.

#include "core/ExtractLinks.h"
#include "core/FileBytes.h"
#include "engine/CompleteCopy.h"
#include "engine/ProtectedFetch.h"
#include "engine/SessionState.h"
#include "engine/TransferWorker.h"
#include "engine/WorkerHost.h"

void TransferWorker::FetchProtectedFile(const std::string& address) {
    SessionState& s = session_;
    BusyCursor busy(s.Prompts());
    const std::string shown = s.View.Row(gridRow_).Address;
    s.View.SetRowAddress(gridRow_, "Password protected file [" + shown + "]");
    ShowRow(FileState::Retrieving, UnknownByteCount, 0);

    bool received = false;
    ProtectedFetchResult result;
    s.View.NotifyBlockingWork();
    if (ProtectedFetch* fetch = CurrentProtectedFetch()) {
        ProtectedFetchRequest request;
        request.URL = address;
        if (s.Settings.UseProxy) {
            // Without a port the client takes its own default.
            request.Proxy = s.Settings.ProxyAddress;
            if (s.Settings.ProxyPort != 0)
                request.Proxy += ":" + std::to_string(s.Settings.ProxyPort);
        }
        request.UserName = s.Settings.HTTPUserName;
        request.Password = s.Settings.HTTPPassword;
        try {
            result = fetch->Fetch(request);
            received = true;
        } catch (const std::exception& e) {
            s.ProtectedFetchActive = false;
            busy.Release();
            s.Prompts().Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        }
    }
    s.ProtectedFetchActive = false;

    bool fileFailed = false;
    if (received) {
        // Written whole under a temporary name and then renamed: a full disk or a crash never
        // leaves a cut-off file under the final name.
        try {
            ReplaceFileBytes(localFile_, result.Body);
        } catch (const std::exception& e) {
            received = false;
            fileFailed = true;
            busy.Release();
            s.View.SetMessageLabel(e.what());
            s.View.SetRowFailure(gridRow_, e.what());
            s.Prompts().Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        }
    }
    if (received) {
        if (s.Settings.CompleteCopy) {
            if (host_.Complete().Landed(request_.Address, localFile_, "",
                                        s.StopRequested ? std::string() : result.Body) > 0)
                s.ShowQueuedCount();
        } else if (IsScannedPage() && !s.StopRequested) {
            // The page's lines joined without separators.
            std::string joined;
            joined.reserve(result.Body.size());
            for (char c : result.Body)
                if (c != '\r' && c != '\n') joined += c;
            if (ExtractLinks(joined, documentURL_, s) > 0) s.ShowQueuedCount();
        }
        s.View.SetRowAddress(gridRow_, shown);
        ShowRow(FileState::Complete, result.ContentSize,
                static_cast<std::int64_t>(result.Body.size()));
        bytesTransferred_ = static_cast<std::int64_t>(result.Body.size());
    } else {
        // Not received: nothing counted, and no file but an earlier run's; the session goes on
        // without it.
        if (!earlierCopy_) RemoveFile(localFile_);
        s.View.SetRowAddress(gridRow_, shown);
        ShowRow(fileFailed ? FileState::Ignored : FileState::Complete, 0, 0);
        bytesTransferred_ = 0;
    }

    // The clock did not tick while the fetch blocked (it did while a box was open): it catches
    // up with the real time, which counts every second once.
    if (s.SessionClock.isActive()) host_.CatchUpClock();
    busy.Release();
    SetState(fileFailed ? State::Ignored : State::Ended);
    FinishTransfer();
}
