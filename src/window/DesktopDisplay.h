#pragma once

#include <functional>
#include <string>
#include <vector>

// Whether the desktop program can open its windows, told before Qt is started: without a
// display, Qt's X11 and Wayland platforms abort the process with their own plugin report.

// Reads one environment variable; empty when it is not set.
using EnvironmentLookup = std::function<std::string(const char* name)>;

// Empty when the windowing platform Qt will choose (from a "-platform NAME" argument, else
// QT_QPA_PLATFORM, else X11 or Wayland) has what it needs; otherwise the message that says the
// program needs a display and where the program that copies sites without one lies.
// `arguments` are the command line's, program name first; `getSite` is the path of
// lanternway-get to name.
std::string MissingDisplayMessage(const std::vector<std::string>& arguments,
                                  const EnvironmentLookup& environment, const std::string& getSite);

// The lanternway-get beside the running program (or its bare name when that cannot be found).
std::string SiblingGetSitePath();

// The check for this process (its command line, its environment, its sibling lanternway-get):
// false after writing the message to standard error when there is no display to use.
bool CheckDesktopDisplay(int argc, char** argv);
