#include "support/Screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

QString SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("LW_SCREENSHOT_DIR");
    if (folder.isEmpty()) return {};
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    return widget.grab().save(path) ? path : QString();
}
