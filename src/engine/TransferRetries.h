#pragma once

#include <string>

// When a file that failed is asked for again. Servers that are busy or restarting answer 429,
// 502, 503 or 504, and a connection can be refused, reset or time out for a moment; such a
// file is tried again after a pause instead of being given up at once.
struct RetryPolicy {
    int Tries = 3;                       // requests per file in all; 1 turns retrying off
    int FirstPauseMs = 1000;             // before the second try
    int LaterPauseMs = 4000;             // before every further try
    int LongestRetryAfterSeconds = 30;   // a longer Retry-After is not waited for
};

// The policy for files started from now on (process-wide, like the transfer timeouts).
void SetRetryPolicy(const RetryPolicy& policy);
RetryPolicy CurrentRetryPolicy();

// True for a reply status that says "not now" rather than "not at all".
bool IsTransientStatus(int status);

// The pause before try number `nextTry` (2 for the first retry), in milliseconds. A Retry-After
// header (seconds, or an HTTP date) is honoured when it asks for no more than the policy's
// longest wait; otherwise, and without one, the policy's own pause applies.
int RetryPauseMs(const RetryPolicy& policy, int nextTry, const std::string& retryAfter);

// "404 Not Found": the status with the server's reason text, or the usual one when the reply
// gave none (HTTP/2 replies have no reason text).
std::string StatusText(int status, const std::string& reason);
