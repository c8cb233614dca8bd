#pragma once

#include <string>
#include <vector>

// Keeps a soak run inside its folder. Once armed, this process (and any child it forks) may
// create, change, rename or remove files only under the allowed folder, may connect only to
// 127.0.0.0/8 and ::1, may resolve only local names, and may not start a program: each refused
// call fails with EACCES (or EAI_NONAME) and is recorded. The guards replace the C library's
// functions of the same names for every library of the process.
void ArmSoakGuards(const std::string& allowedFolder);
void DisarmSoakGuards();

// Every refused call so far, as "<function> <path or address>".
std::vector<std::string> SoakGuardRefusals();

// Moves the process into a network namespace of its own with only the loopback interface up,
// where the system allows it (root or user namespaces); true when it did.
bool IsolateNetwork();
