#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/GetOptions.h"

// Exit statuses of lanternway-get.
enum GetExitStatus {
    ExitDone = 0,           // the session completed with its start page received
    ExitFailure = 1,        // no project folder, an I/O error, the disk budget used up, ...
    ExitUsage = 2,          // the command line is wrong
    ExitNotConnected = 3,   // "Lanternway is unable to connect with host ..."
    ExitInterrupted = 130,  // a second Ctrl-C: transfers cancelled, the session saved as it stood
};

// Runs one session headless on the running Qt application's event loop and returns its exit
// status. Every message box text goes to err, one per line; while progress is true a status
// line is redrawn in place on err. Ctrl-C is the Stop command once the session runs; a second
// one cancels the transfers at once.
int RunGetSession(const GetOptions& options, std::ostream& err, bool progress);

// The whole program: reads the command line, answers --help and --version on out, reports usage
// errors on err, runs the session. Needs a QCoreApplication.
int LanternwayGetMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      bool errIsTerminal);
