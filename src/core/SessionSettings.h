#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The largest size wanted of one kind of file.
struct FileSizeLimit {
    std::string Extension;  // lower case, with its dot: ".zip"
    // Kilobytes of 1,024 bytes; none where the size given was not a number (the size grid takes
    // empty cells), which means no limit.
    std::optional<std::int64_t> Kilobytes;

    bool operator==(const FileSizeLimit&) const = default;
};

// Everything a new session is started with: what the New Session dialog fills, lanternway-get
// reads from its command line, the session state holds while it runs and the session file keeps.
// The defaults are the dialog's own. Numbers are numbers here; they are text only in a control,
// on the command line and in a file.
//
// A new option is one field here, one row in the command-line table (cli/GetOptionTable.cpp)
// and one control of the dialog.
struct SessionSettings {
    std::string MainURL = "http://www.";  // the start address
    bool SearchEntireSite = true;         // false: "Search Only Current Page"

    bool RetrieveHTMLFiles = true;
    bool RetrieveImageFiles = true;
    bool RetrieveZIPEXEFiles = false;
    bool RetrieveJavaApplets = false;
    bool RetrieveOtherFiles = false;
    // The Other Files text as typed; the session reads its extensions from it.
    std::string OtherFileTypes = ".au;.pdf;.asp;.txt";
    bool CollectEMailAddresses = false;
    bool CompleteCopy = false;  // style sheets, scripts, fonts and the site's own folders

    bool UseProxy = false;  // false: "Direct connection to internet"
    std::string ProxyAddress;
    int ProxyPort = 0;  // 0: none given, and the connection's own default applies

    int MaximumThreads = 10;    // transfers at the same time
    int MinimumDiskSpace = 50;  // MB of 1,024,000 bytes the copy leaves free on its drive
    std::vector<FileSizeLimit> FileSizeLimits;  // the first entry of an extension counts

    // ZIP and EXE files on FTP sites, with these credentials (anonymous when empty).
    bool RetrieveFromFTP = false;
    std::string FTPUserName;
    std::string FTPPassword;
    // Credentials for password-protected files of the site copied.
    bool UseHTTPAuthentication = false;
    std::string HTTPUserName;
    std::string HTTPPassword;

    bool operator==(const SessionSettings&) const = default;
};
