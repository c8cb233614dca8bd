#include "engine/ReplyKinds.h"

#include <QByteArray>
#include <QUrl>
#include <fstream>

#include "core/Text.h"

bool IsRedirectReply(int statusCode, const std::string& replyText) {
    switch (statusCode) {
        case 301:
        case 302:
        case 303:
        case 307:
        case 308:
            return true;
        default:
            return Contains(replyText, "Moved Permanently");
    }
}

bool IsAuthorizationReply(int statusCode, const std::string& replyText) {
    return statusCode == 401 || Contains(replyText, "Authorization Required");
}

namespace {
// An address found in a reply, made absolute against the document's address.
std::string ResolveAgainst(const std::string& address, const std::string& documentAddress) {
    if (address.empty() || Contains(address, "://")) return address;
    const QUrl base =
        QUrl::fromEncoded(QByteArray::fromStdString(documentAddress), QUrl::TolerantMode);
    const QUrl relative = QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::TolerantMode);
    return base.resolved(relative).toEncoded().toStdString();
}
}  // namespace

std::string RedirectTarget(const std::string& location, const std::string& documentAddress,
                           const std::string& bodyFile) {
    if (!location.empty()) return ResolveAgainst(location, documentAddress);
    // No Location header: the first quoted text of the body, up to its closing quote or a ">".
    std::ifstream in(bodyFile, std::ios::binary);
    std::string target;
    char c;
    while (in.get(c) && c != '"') {
    }
    while (in.get(c) && c != '"' && c != '>') target += c;
    return ResolveAgainst(target, documentAddress);
}
