#include "newsession/DialogMessage.h"

#include <QMessageBox>
#include <utility>

#include "core/AppTitle.h"

namespace {
DialogMessageFunction& Installed() {
    static DialogMessageFunction function;
    return function;
}
}  // namespace

void ShowDialogMessage(QWidget* parent, const QString& text) {
    if (Installed()) {
        Installed()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(AppTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

DialogMessageFunction SetDialogMessageFunction(DialogMessageFunction function) {
    return std::exchange(Installed(), std::move(function));
}
