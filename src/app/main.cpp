#include <QApplication>
#include <QScreen>

#include "core/AppTitle.h"
#include "window/DesktopDisplay.h"
#include "window/GuiPrompts.h"
#include "window/MainWindow.h"

int main(int argc, char* argv[]) {
    if (!CheckDesktopDisplay(argc, argv)) return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(AppTitle));
    GuiPrompts prompts;
    MainWindow form(prompts);
    prompts.SetOwner(&form);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        form.AdaptToScreenWidth(screen->geometry().width());
        // Where no window manager maximises the window (a bare X server, a kiosk session), it
        // still covers the screen.
        form.setGeometry(screen->availableGeometry());
    }
    form.showMaximized();
    form.OpenCommandLineSession(QCoreApplication::arguments());
    form.update();
    return app.exec();
}
