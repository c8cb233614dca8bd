#include "core/StartAddress.h"

#include <cctype>

#include "core/Text.h"

std::string AddressScheme(std::string_view address) {
    const std::size_t colon = address.find(':');
    if (colon == 0 || colon == std::string_view::npos ||
        !std::isalpha(static_cast<unsigned char>(address[0])))
        return {};
    for (std::size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    }
    if (colon + 1 < address.size() && std::isdigit(static_cast<unsigned char>(address[colon + 1])))
        return {};
    return LowerCase(address.substr(0, colon));
}

namespace {

// The host an address names, without user name and port ("" when it names none). After a
// scheme the host must follow "//"; an address without a scheme begins with its host.
std::string_view HostOf(std::string_view address, std::string_view scheme) {
    if (!scheme.empty()) {
        address.remove_prefix(scheme.size() + 1);
        if (address.substr(0, 2) != "//") return {};
        address.remove_prefix(2);
    }
    std::string_view authority = address.substr(0, address.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == '[')
        return authority.substr(0, authority.find(']') + 1);
    return authority.substr(0, authority.find(':'));
}

}  // namespace

std::string StartAddressRefusal(std::string_view address) {
    const std::string quoted = "'" + std::string(address) + "'";
    const std::string scheme = AddressScheme(address);
    if (scheme == "ftp")
        return quoted +
               " is not an http or https address: a copy starts from a web page, and takes the "
               "files of FTP sites from its links";
    if (!scheme.empty() && scheme != "http" && scheme != "https")
        return quoted + " is not an http or https address";
    if (HostOf(address, scheme).empty()) return quoted + " names no host";
    return {};
}
