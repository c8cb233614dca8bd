#pragma once

#include <string>

// What kind of reply a server gave, as far as the workers act on it.

// True for a reply that moves the document elsewhere: any redirect status, or the reason text
// "Moved Permanently".
bool IsRedirectReply(int statusCode, const std::string& replyText);
// True for a reply that asks for credentials: status 401 whatever its reason text says, or the
// reason text "Authorization Required".
bool IsAuthorizationReply(int statusCode, const std::string& replyText);
// The address a redirect reply points to: the Location header resolved against the document's
// address when there is one, else the first quoted text of the body (up to a closing quote or
// ">"). Empty when neither gives one.
std::string RedirectTarget(const std::string& location, const std::string& documentAddress,
                           const std::string& bodyFile);
