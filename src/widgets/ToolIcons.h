#pragma once

#include <QIcon>

// A tool-button picture: the desktop theme's icon of that name when the theme has one,
// otherwise the program's own drawing (":/window/icons/<file>.svg").
QIcon ToolIcon(const char* themeName, const char* file);
