#pragma once

#include <string>
#include <vector>

// What the New Session dialog hands to the engine: its controls' values and the results of its
// sub-dialogs, as they stand when the dialog closes with OK. The defaults are the dialog's own.
struct NewSessionSettings {
    std::string MainURL = "http://www.";
    bool CHTMLFiles = true;
    bool CImageFiles = true;
    bool CZIPEXEFiles = false;
    bool CJavaApplets = false;
    bool COtherFiles = false;
    std::string TOtherFiles = ".au;.pdf;.asp;.txt";
    bool CEMailAddress = false;
    bool RProxyConnection = false;  // false: "Direct connection to internet"
    std::string TProxyAddress;
    std::string TProxyPort;
    bool RSearchEntireSite = true;  // false: "Search Only Current Page"
    std::string TMaximumThreads = "10";
    std::string TMinimumDiskSpace = "50";

    std::vector<std::string> ChosenFileSizeLimits;  // lines alternating type and size
    bool ChosenRetrieveFromFTP = false;
    std::string ChosenFTPUserName;
    std::string ChosenFTPPassword;
    bool ChosenHTTPAuthentication = false;
    std::string ChosenHTTPUserName;
    std::string ChosenHTTPPassword;
};
