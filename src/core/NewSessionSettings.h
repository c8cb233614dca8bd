#pragma once

#include <string>
#include <vector>

// What the New Session dialog hands to the engine: its controls' values and the results of its
// sub-dialogs, as they stand when the dialog closes with OK. The defaults are the dialog's own.
struct NewSessionSettings {
    std::string MainURL = "http://www.";
    bool RetrieveHTMLFiles = true;
    bool RetrieveImageFiles = true;
    bool RetrieveZIPEXEFiles = false;
    bool RetrieveJavaApplets = false;
    bool RetrieveOtherFiles = false;
    std::string OtherFileTypes = ".au;.pdf;.asp;.txt";
    bool CompleteCopy = false;  // style sheets, scripts, fonts and the site's own folders
    bool CollectEMailAddresses = false;
    bool UseProxy = false;  // false: "Direct connection to internet"
    std::string ProxyAddress;
    std::string ProxyPort;
    bool SearchEntireSite = true;  // false: "Search Only Current Page"
    std::string MaximumThreads = "10";
    std::string MinimumDiskSpace = "50";

    std::vector<std::string> ChosenFileSizeLimits;  // lines alternating type and size
    bool ChosenRetrieveFromFTP = false;
    std::string ChosenFTPUserName;
    std::string ChosenFTPPassword;
    bool ChosenHTTPAuthentication = false;
    std::string ChosenHTTPUserName;
    std::string ChosenHTTPPassword;
};
