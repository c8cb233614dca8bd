#pragma once

#include <QString>

class QWidget;
class QAction;

// A hint "Short|Long": the short part is the tool tip, the long part goes to the hint line.
// A hint without "|" is both.
QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);
void SetHint(QWidget* widget, const QString& hint);
void SetHint(QAction* action, const QString& hint);
