#pragma once

#include <QString>
#include <string>

class QWidget;
class QAction;

// A hint "Short|Long": the short part is the tool tip, the long part goes to the hint line.
// A hint without "|" is both.
QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);
void SetHint(QWidget* widget, const QString& hint);
void SetHint(QWidget* widget, const std::string& hint);  // UTF-8
void SetHint(QAction* action, const QString& hint);
// The whole hint SetHint last gave the widget, "|" included ("" when it gave none).
QString HintOf(const QWidget* widget);
