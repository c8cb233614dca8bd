#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>

#include "engine/SessionState.h"
#include "window/TForm2.h"

namespace {

// Plain dialogs for the engine's questions.
class DesktopPrompts : public SessionPrompts {
public:
    Answer Message(const std::string& text, Kind kind, Buttons buttons) override {
        const QString body = QString::fromStdString(text);
        const QString title = QString::fromLatin1(AppTitle);
        QMessageBox::StandardButtons set = QMessageBox::Ok;
        if (buttons == Buttons::OkCancel) set = QMessageBox::Ok | QMessageBox::Cancel;
        if (buttons == Buttons::YesNo) set = QMessageBox::Yes | QMessageBox::No;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        if (kind == Kind::Information) icon = QMessageBox::Information;
        if (kind == Kind::Warning) icon = QMessageBox::Warning;
        if (kind == Kind::Error) icon = QMessageBox::Critical;
        if (kind == Kind::Confirmation) icon = QMessageBox::Question;
        QMessageBox box(icon, title, body, set, QApplication::activeWindow());
        switch (box.exec()) {
            case QMessageBox::Cancel: return Answer::Cancel;
            case QMessageBox::Yes: return Answer::Yes;
            case QMessageBox::No: return Answer::No;
            default: return Answer::Ok;
        }
    }
    std::optional<std::string> SaveFileName(const std::string& caption, const std::string&,
                                            const std::string& initialName) override {
        const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(),
                                                          QString::fromStdString(caption),
                                                          QString::fromStdString(initialName));
        if (name.isEmpty()) return std::nullopt;
        return name.toStdString();
    }
    std::optional<std::string> OpenFileName(const std::string& caption,
                                            const std::string&) override {
        const QString name = QFileDialog::getOpenFileName(
            QApplication::activeWindow(), QString::fromStdString(caption), QString(),
            QStringLiteral("Lanternway Session Files (*.lwa)"));
        if (name.isEmpty()) return std::nullopt;
        return name.toStdString();
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(AppTitle));
    DesktopPrompts prompts;
    TForm2 form(prompts);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        form.AdaptToScreenWidth(screen->geometry().width());
    form.showMaximized();
    form.OpenCommandLineSession(QCoreApplication::arguments());
    form.update();
    return app.exec();
}
