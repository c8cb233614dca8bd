#pragma once

// Creates the process's QApplication on first use (tests run under QT_QPA_PLATFORM=offscreen;
// it is set here too when the environment does not say). Returns nothing: Qt's qApp is the app.
void EnsureQtApp();
