#include "widgets/Hints.h"

#include <QAction>
#include <QWidget>

QString ShortHint(const QString& hint) {
    const int bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
    const int bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

namespace {

// The tool tip and the status text do not tell "Back" from "Back|Back": the hint is kept whole
// beside them, for whoever reads it back.
const char* const HintProperty = "hint";

}  // namespace

void SetHint(QWidget* widget, const QString& hint) {
    widget->setProperty(HintProperty, hint);
    widget->setToolTip(ShortHint(hint));
    widget->setStatusTip(LongHint(hint));
}

void SetHint(QWidget* widget, const std::string& hint) {
    SetHint(widget, QString::fromStdString(hint));
}

void SetHint(QAction* action, const QString& hint) {
    action->setToolTip(ShortHint(hint));
    action->setStatusTip(LongHint(hint));
}

QString HintOf(const QWidget* widget) {
    return widget->property(HintProperty).toString();
}
