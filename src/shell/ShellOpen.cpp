#include "shell/ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void ShellOpen(const std::string& target, const std::string& parameters, const std::string& folder,
               int showMode) {
    (void)parameters;
    (void)folder;
    (void)showMode;
    const QString text = QString::fromStdString(target);
    QUrl url = QUrl(text);
    if (url.scheme().isEmpty() || QFileInfo::exists(text)) url = QUrl::fromLocalFile(text);
    QDesktopServices::openUrl(url);
}
