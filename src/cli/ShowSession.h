#pragma once

#include <ostream>
#include <string>

// lanternway-get --show SESSION-FILE: prints the session file's plain text, one stored line per
// output line, without changing the file. A file that cannot be read as a session file gets
// its error on err and the result 1; otherwise the result is 0.
int ShowSessionFile(const std::string& path, std::ostream& out, std::ostream& err);
