#pragma once

// The program's name and version as every window, box and the session's caption show it.
inline constexpr const char* AppTitle = "Lanternway 1.3";
