#pragma once

#include <QString>
#include <functional>

class QWidget;

// The plain message box (OK button only) that the settings dialogs show for input errors such as
// "Value must be integer". Every such box goes through ShowDialogMessage so that it can be
// replaced, for instance by a recorder while the dialogs are driven without a person.
using DialogMessageFunction = std::function<void(QWidget* parent, const QString& text)>;

void ShowDialogMessage(QWidget* parent, const QString& text);

// Installs the function that shows the boxes from now on; an empty function restores the real
// message box. Returns the function that was installed before.
DialogMessageFunction SetDialogMessageFunction(DialogMessageFunction function);

// The text of the integer-check message.
inline const QString ValueMustBeInteger = QStringLiteral("Value must be integer");
