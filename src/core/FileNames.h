#pragma once

#include <string>
#include <string_view>

// The extension of a file's name or of a real path ("/"-separated): from the last "." after
// the last "/", dot included, in its own case; "" when the name has no dot. A name that begins
// with its only dot (".profile") is all extension. Any other byte, "\" and ":" included, is part
// of a name on this system. The address mapping's pseudo paths have their own rule
// (PseudoExtension).
std::string FileExtension(std::string_view path);

// Whether a path or name is a page by its name: its extension is .html or .htm, in any case
// (".shtml" and other pages are not).
bool IsHtmlPath(std::string_view path);
