#include "engine/TransferRetries.h"

#include <QDateTime>
#include <QString>
#include <mutex>

namespace {

std::mutex g_policyMutex;
RetryPolicy g_policy;

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// Seconds to wait that a Retry-After value asks for; -1 when it cannot be read.
long long RetryAfterSeconds(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
    if (AllDigits(text)) return std::stoll(text);
    // An HTTP date ("Wed, 21 Oct 2015 07:28:00 GMT") is always in GMT; the reader wants the
    // zone as an offset.
    if (text.size() > 4 && text.compare(text.size() - 4, 4, " GMT") == 0)
        text.replace(text.size() - 3, 3, "+0000");
    const QDateTime when = QDateTime::fromString(QString::fromStdString(text), Qt::RFC2822Date);
    if (!when.isValid()) return -1;
    const qint64 seconds = QDateTime::currentDateTimeUtc().secsTo(when);
    return seconds < 0 ? 0 : seconds;
}

const char* UsualReason(int status) {
    switch (status) {
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 408: return "Request Timeout";
        case 410: return "Gone";
        case 429: return "Too Many Requests";
        case 500: return "Internal Server Error";
        case 501: return "Not Implemented";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        case 504: return "Gateway Timeout";
        default: return "";
    }
}

}  // namespace

void SetRetryPolicy(const RetryPolicy& policy) {
    std::lock_guard lock(g_policyMutex);
    g_policy = policy;
}

RetryPolicy CurrentRetryPolicy() {
    std::lock_guard lock(g_policyMutex);
    return g_policy;
}

bool IsTransientStatus(int status) {
    return status == 429 || status == 502 || status == 503 || status == 504;
}

int RetryPauseMs(const RetryPolicy& policy, int nextTry, const std::string& retryAfter) {
    const long long asked = retryAfter.empty() ? -1 : RetryAfterSeconds(retryAfter);
    if (asked >= 0 && asked <= policy.LongestRetryAfterSeconds)
        return static_cast<int>(asked * 1000);
    return nextTry <= 2 ? policy.FirstPauseMs : policy.LaterPauseMs;
}

std::string StatusText(int status, const std::string& reason) {
    std::string text = std::to_string(status);
    const std::string shown = reason.empty() ? UsualReason(status) : reason;
    if (!shown.empty()) text += " " + shown;
    return text;
}
