#include "support/QtApp.h"

#include <QApplication>
#include <cstdlib>

void EnsureQtApp() {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "lanternway-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down from the exit handlers, after other statics are gone,
    // crashes (input devices made by simulated mouse events outlive their platform).
    new QApplication(argc, argv);
}
