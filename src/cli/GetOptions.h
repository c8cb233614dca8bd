#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/SessionSettings.h"

// The command line of lanternway-get: one session started exactly as the New Session dialog
// would start it, each option standing for one control of the dialog with the dialog's default.
// The options themselves are declared in one table (cli/GetOptionTable.cpp).
struct GetOptions {
    SessionSettings Settings;  // the dialog's values, address and search depth included
    std::string SessionFile;   // as chosen in the save dialog
    bool NoConvert = false;    // answer Cancel to the completion question
    int Tries = 3;             // requests per file when the server is busy or the connection fails
    bool Quiet = false;        // no progress line, only error messages
    bool Help = false;
    bool Version = false;
    // --show: print this session file, and retrieve nothing.
    std::optional<std::string> SessionFileToShow;
};

// The outcome of reading the command line: the options, or a usage error with its message.
struct GetOptionsResult {
    GetOptions Options;
    std::string Error;  // empty when the command line is good
};

GetOptionsResult ParseGetOptions(const std::vector<std::string>& args);

// The --help text.
std::string GetUsage();

inline constexpr const char* GetVersionText = "lanternway-get 1.3";
