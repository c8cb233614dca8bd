#pragma once

#include <Qt>

// The cursor of the whole screen, set rather than stacked: the hourglass stays until
// the arrow is set again, however many times it was asked for in between.
void SetScreenCursor(Qt::CursorShape shape);
// The shape now shown for the whole screen (Qt::ArrowCursor when none is forced).
Qt::CursorShape ScreenCursor();
