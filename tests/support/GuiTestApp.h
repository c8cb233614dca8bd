#pragma once

class QApplication;

// The one QApplication of a widget test, created on first use. Windows are drawn offscreen
// unless QT_QPA_PLATFORM says otherwise.
QApplication& GuiTestApp();
