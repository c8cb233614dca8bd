#include "support/GuiTestApp.h"

#include <QApplication>

QApplication& GuiTestApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "lanternway-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
