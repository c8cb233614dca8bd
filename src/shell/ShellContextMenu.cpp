#include "shell/ShellContextMenu.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>

#include "shell/ShellOpen.h"
#include "shell/PropertiesDialog.h"

namespace {

// Asks for a program and starts it with the file; a program that cannot start is reported.
void OpenWith(const QString& path, QWidget* parent) {
    bool ok = false;
    const QString command = QInputDialog::getText(
        parent, QStringLiteral("Open With"),
        QStringLiteral("Program to open \"%1\" with:").arg(QFileInfo(path).fileName()),
        QLineEdit::Normal, QString(), &ok);
    if (!ok || command.trimmed().isEmpty()) return;
    QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty()) return;
    const QString program = parts.takeFirst();
    parts.append(path);
    if (!QProcess::startDetached(program, parts))
        QMessageBox::warning(parent, QStringLiteral("Open With"),
                             QStringLiteral("Cannot start \"%1\".").arg(program));
}

}  // namespace

QMenu* BuildShellContextMenu(const QString& path, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::string target = path.toStdString();
    const std::string folder = QFileInfo(path).absolutePath().toStdString();
    QAction* open = menu->addAction(QStringLiteral("&Open"), menu,
                                    [target, folder] { ShellOpen(target, target, folder, 1); });
    menu->setDefaultAction(open);
    menu->addAction(QStringLiteral("Open &With..."), menu,
                    [path, parent] { OpenWith(path, parent); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Copy Path"), menu,
                    [path] { QApplication::clipboard()->setText(path); });
    menu->addAction(QStringLiteral("Open Containing &Folder"), menu,
                    [folder] { ShellOpen(folder, folder, {}, 1); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("P&roperties"), menu,
                    [path, parent] { ShowProperties(path, parent); });
    return menu;
}

void ShowShellContextMenu(const QString& path, QPoint screenPos, QWidget* parent) {
    if (path.isEmpty()) return;
    QMenu* menu = BuildShellContextMenu(path, parent);
    menu->popup(screenPos);
}
