// What ends a worker's transfer from outside its reply: the session's disk budget, passed
// while the file is written, and a stop whose grace has run out.
#include "core/FileBytes.h"
#include "engine/SessionState.h"
#include "engine/TransferWorker.h"
#include "engine/WorkerHost.h"

void TransferWorker::CancelAfterStop(const std::string& reason) {
    // A protected fetch blocks the event loop until it is done: nothing of it is left to cancel.
    if (Finished() || state_ == State::ProtectedFetch) return;
    if (state_ == State::WaitingToRetry) {
        EndRetryWait();
        return;
    }
    DropCutOff(reason);
}

void TransferWorker::ForgetBytesBeingWritten() {
    host_.CountBytesBeingWritten(-bytesBeingWritten_);
    bytesBeingWritten_ = 0;
}

bool TransferWorker::WithinDiskBudget(std::int64_t written) {
    host_.CountBytesBeingWritten(written - bytesBeingWritten_);
    bytesBeingWritten_ = written;
    const std::string failure = host_.DiskBudgetPassedWhileWriting();
    if (failure.empty()) return true;
    // The file is not kept, and the session stops all the same. Other transfers go on while
    // they stay within the budget.
    const std::string partial = request_.IsFtp ? ftp_.OutputFile() : http_.OutputFile();
    MarkIgnored();
    // The cancelled transfer would remove its temporary file only when its end is delivered,
    // after the completion this may run, which wants the space to save the session.
    if (!partial.empty() && partial != localFile_) RemoveFile(partial);
    if (request_.IsStartPage) {
        // The completion says what became of it ("unable to connect" would be wrong).
        TellStartPageFailure(request_.Address + " failed: " + failure + KeptNote());
        FinishTransfer();
    } else {
        DropCutOff(failure);
    }
    return false;
}
