#pragma once

#include <functional>
#include <string>

// Hands a file, folder or address to the desktop's default action. Failures are not reported.
// The parameter text, working folder and show mode of the original call have no meaning for the
// desktop's default action and are accepted for the callers' sake.
void ShellOpen(const std::string& target, const std::string& parameters = {},
               const std::string& folder = {}, int showMode = 1);

// Replaces the desktop's default action, for instance to record the calls in a test; an empty
// handler restores the desktop. Returns the handler that was set before.
using ShellOpenHandler =
    std::function<void(const std::string& target, const std::string& parameters,
                       const std::string& folder, int showMode)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);
