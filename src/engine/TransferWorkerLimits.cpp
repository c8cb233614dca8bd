// What ends a worker's transfer from outside its reply: the session's disk budget, passed
// while the file is written, and a stop whose grace has run out.
#include "core/FileBytes.h"
#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "engine/TransferWorker.h"

void TransferWorker::CancelAfterStop(const std::string& reason) {
    // A protected fetch blocks the event loop until it is done: nothing of it is left to cancel.
    if (Finished || state_ == State::Closed || state_ == State::ProtectedFetch) return;
    if (state_ == State::WaitingToRetry) {
        EndRetryWait();
        return;
    }
    DropCutOff(reason);
}

void TransferWorker::ForgetBytesBeingWritten() {
    engine_.bytesBeingWritten_ -= bytesBeingWritten_;
    bytesBeingWritten_ = 0;
}

bool TransferWorker::WithinDiskBudget(std::int64_t written) {
    engine_.bytesBeingWritten_ += written - bytesBeingWritten_;
    bytesBeingWritten_ = written;
    if (session_.BytesReceived + engine_.bytesBeingWritten_ <= session_.DiskSpaceFloor) return true;
    // The file is not kept, and the session stops all the same. Other transfers go on while
    // they stay within the budget.
    engine_.budgetPassedWhileWriting_ = true;
    const std::string failure = engine_.FreeSpaceText();
    const std::string partial = IsFTP ? Ftp.OutputFile() : Http.OutputFile();
    MarkIgnored();
    // The cancelled transfer would remove its temporary file only when its end is delivered,
    // after the completion this may run, which wants the space to save the session.
    if (!partial.empty() && partial != LocalFile) RemoveFile(partial);
    if (IsStartPage) {
        // The completion says what became of it ("unable to connect" would be wrong).
        engine_.startPageFailure_ = requestURL_ + " failed: " + failure + KeptNote();
        session_.View.SetRowFailure(GridRow - 1, engine_.startPageFailure_);
        FinishTransfer();
    } else {
        DropCutOff(failure);
    }
    return false;
}
