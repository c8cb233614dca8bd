#pragma once

#include <QIcon>
#include <functional>

class QPainter;

// An icon drawn by the program, for buttons the desktop's icon theme has nothing for. The painter
// works on a 24 x 24 canvas; the icon holds 16, 24 and 32 pixel sizes and a faded copy of each
// for disabled buttons.
QIcon DrawnIcon(const std::function<void(QPainter&)>& paint);
