#pragma once

#include <string>
#include <string_view>

// Which addresses a copy can start from. The New Session dialog and lanternway-get ask the same
// question, so that both refuse the same addresses with the same words.

// The scheme of an address in lower case ("" when it has none). "host:8080" has none: a name is
// a scheme only when what follows its colon is not a port number.
std::string AddressScheme(std::string_view address);

// Why a copy cannot start from the address, as the person is told ("'htp://h/' is not an http
// or https address"); empty when it can. An address without a scheme is taken as http. The
// start page is always fetched over HTTP, so an ftp address is refused too: the files of FTP
// sites come from the pages' links.
std::string StartAddressRefusal(std::string_view address);
