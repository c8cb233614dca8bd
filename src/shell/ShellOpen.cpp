#include "shell/ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

ShellOpenHandler& Handler() {
    static ShellOpenHandler handler;
    return handler;
}

}  // namespace

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler before = std::move(Handler());
    Handler() = std::move(handler);
    return before;
}

void ShellOpen(const std::string& target, const std::string& parameters, const std::string& folder,
               int showMode) {
    if (Handler()) {
        Handler()(target, parameters, folder, showMode);
        return;
    }
    const QString text = QString::fromStdString(target);
    QUrl url = QUrl(text);
    if (url.scheme().isEmpty() || QFileInfo::exists(text)) url = QUrl::fromLocalFile(text);
    QDesktopServices::openUrl(url);
}
