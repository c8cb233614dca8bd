#pragma once

#include <QIcon>

// Tool-bar pictures that the desktop's icon theme may not have, drawn in code so that they look
// the same everywhere.
QIcon ColorSwatchIcon();     // four coloured squares: change a background colour
QIcon PrinterIcon();         // a printer with a sheet
QIcon DocumentSourceIcon();  // a page with "</>" on it
