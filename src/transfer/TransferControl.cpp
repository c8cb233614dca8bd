#include "transfer/TransferControl.h"

#include <QTimer>

#include "transfer/THTTP.h"

// Placeholder until the libcurl driver lands: every transfer fails at once, asynchronously.
class CurlTransfer {};

namespace {
TTransferControl::Timeouts g_timeouts;
const std::string kEmpty;
}  // namespace

TTransferControl::TTransferControl(bool isFtp) : isFtp_(isFtp) {}
TTransferControl::~TTransferControl() = default;

bool TTransferControl::Busy() const { return false; }
void TTransferControl::Cancel() {}

void TTransferControl::GetDoc(const std::string& url, const std::string&, const std::string&) {
    Document = url;
}

int TTransferControl::StatusCode() const { return 0; }
const std::string& TTransferControl::ReplyText() const { return kEmpty; }
const std::string& TTransferControl::ReplyHeaders() const { return kEmpty; }
std::string TTransferControl::ReplyHeader(const std::string&) const { return {}; }
const std::string& TTransferControl::ErrorText() const { return kEmpty; }

void TTransferControl::SetTimeouts(const Timeouts& timeouts) { g_timeouts = timeouts; }
TTransferControl::Timeouts TTransferControl::CurrentTimeouts() { return g_timeouts; }

std::string THTTP::RemoteHost() const { return {}; }
