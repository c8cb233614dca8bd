#pragma once

#include <QFont>

// A font whose characters all have one width, for text laid out in columns with spaces. The
// desktop's fixed font comes first; where that is not really fixed-pitch (some desktops map it
// to a family with wider symbols), the usual monospace families follow, then any fixed-pitch
// family the machine has. Without any, the desktop's fixed font.
QFont FixedPitchFont();
