#include "cli/ShowSession.h"

#include <exception>

#include "core/FileBytes.h"
#include "sessionfile/SessionText.h"

int ShowSessionFile(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string plain;
    try {
        plain = UnscrambleText(ReadFileBytes(path));
        ParseSessionText(plain);  // only a whole record is shown
    } catch (const SessionFileError& e) {
        err << "lanternway-get: \"" << path << "\" is not a readable session file: " << e.what()
            << ".\n";
        return 1;
    } catch (const std::exception& e) {
        err << "lanternway-get: " << e.what() << "\n";
        return 1;
    }
    for (std::string_view line : SessionTextLines(plain)) out << line << '\n';
    out.flush();
    return out ? 0 : 1;
}
