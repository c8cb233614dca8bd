#pragma once

#include <QString>

class QWidget;

// Saves a picture of the widget under LW_SCREENSHOT_DIR (when that variable is set) as
// <name>.png, for a person to look at; returns the path written, empty when none.
QString SaveScreenshot(QWidget& widget, const QString& name);
