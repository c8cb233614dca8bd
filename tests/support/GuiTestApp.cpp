#include "support/GuiTestApp.h"

#include <QApplication>

namespace {
QtMessageHandler qtHandler = nullptr;

// The offscreen platform warns about every fixed-size or raised window; that says nothing about
// the test.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.contains(QLatin1String("does not support raise()")))
        return;
    if (qtHandler) qtHandler(type, context, text);
}
}  // namespace

void EnsureGuiApplication() {
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "lanternway-test";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends: widgets of static test fixtures may outlive main().
    new QApplication(argc, argv);
    qtHandler = qInstallMessageHandler(QuietHandler);
}
