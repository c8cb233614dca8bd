#include "transfer/Transfer.h"

#include <curl/curl.h>

#include "transfer/CurlDriver.h"
#include "transfer/HttpTransfer.h"

namespace {
const std::string kEmpty;
}  // namespace

Transfer::Transfer(bool isFtp) : isFtp_(isFtp) {}

Transfer::~Transfer() {
    if (transfer_) CurlDriver::Instance().Detach(*transfer_);
}

bool Transfer::Busy() const {
    return transfer_ && transfer_->Active;
}

void Transfer::Cancel() {
    if (transfer_) CurlDriver::Instance().Cancel(*transfer_);
}

void Transfer::GetDoc(const std::string& url, const std::string& headers,
                              const std::string& localFile) {
    if (Busy()) Cancel();
    Document = url;
    CurlDriver::Instance().Start(*this, url, headers, localFile);
}

int Transfer::StatusCode() const {
    return transfer_ ? transfer_->Shown.Status : 0;
}

const std::string& Transfer::ReplyText() const {
    return transfer_ ? transfer_->Shown.Reason : kEmpty;
}

const std::string& Transfer::ReplyHeaders() const {
    return transfer_ ? transfer_->Shown.Headers : kEmpty;
}

std::string Transfer::ReplyHeader(const std::string& name) const {
    if (!transfer_) return {};
    const std::string& h = transfer_->Shown.Headers;
    std::size_t at = 0;
    while (at < h.size()) {
        std::size_t end = h.find("\r\n", at);
        if (end == std::string::npos) end = h.size();
        std::size_t colon = h.find(':', at);
        if (colon < end && colon - at == name.size()) {
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(h[at + i])) ==
                       std::tolower(static_cast<unsigned char>(name[i]));
            if (same) {
                std::size_t v = h.find_first_not_of(" \t", colon + 1);
                return v < end ? h.substr(v, end - v) : std::string();
            }
        }
        at = end + 2;
    }
    return {};
}

const std::string& Transfer::ErrorText() const {
    return transfer_ ? transfer_->Shown.ErrorText : kEmpty;
}

bool Transfer::FailedTransiently() const {
    return transfer_ && transfer_->Shown.FailedTransiently;
}

const std::string& Transfer::OutputFile() const {
    return transfer_ ? transfer_->Shown.OutputPath : kEmpty;
}

void Transfer::SetTimeouts(const Timeouts& timeouts) {
    CurlDriver::Instance().Timeouts = timeouts;
}

Transfer::Timeouts Transfer::CurrentTimeouts() {
    return CurlDriver::Instance().Timeouts;
}

std::string HttpTransfer::RemoteHost() const {
    CURLU* u = curl_url();
    std::string host;
    char* part = nullptr;
    if (curl_url_set(u, CURLUPART_URL, URL.c_str(), CURLU_DEFAULT_SCHEME) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
        host = part;
        curl_free(part);
    }
    curl_url_cleanup(u);
    return host;
}
